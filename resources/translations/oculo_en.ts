<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Localizable</name>
    <message>
        <source>menu.recent-captures.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>panel.open.import-image.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.about.acknowledgements.button.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.about.contact-us.button.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.about.version-info.button.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.about.visit-website.button.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.clear-history-after.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.clear-history-after.duration.never.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.clear-history-after.duration.one-minute.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.clear-history-after.duration.ten-minutes.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.play-capture-sound.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.search-web.hint.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.search-web.presets.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.search-web.url-prefix.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.show-preview.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.start-at-login.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.start-capturing.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.tab.about.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.tab.general.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.tab.web-search.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status-menu.convert-clipboard.item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status-menu.open-file.item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status-menu.preferences.item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status-menu.recent-captures.item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status-menu.show-workflow.item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status-menu.start-capture.item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.headline.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.info.international.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.permissions.body</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.permissions.done.button.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.permissions.open-preferences.button.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.step.paste.body</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.step.paste.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.step.select.body</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.step.select.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>window.capture.hint.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>window.preferences.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>workflow.clear.button.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>workflow.export-all.button.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>workflow.table.column.added.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>workflow.table.column.content.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>workflow.table.column.source.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>workflow.table.row.menu.speak.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>workflow.table.source.unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>menu.status-item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status-menu.about.item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>status-menu.quit.item.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.info.international.body</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.step.select.shortcut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.recognition-language.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings.recognition-language.automatic.title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.step.select.no-shortcuts.body</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>welcome.no-tray.body</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
