<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>GlobalShortcuts</name>
    <message>
        <source>keyboard_shortcut_used_by_menu_item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>keyboard_shortcut_used_by_system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>keyboard_shortcuts_can_be_changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>press_shortcut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>record_shortcut</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
