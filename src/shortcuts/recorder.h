// The recorder as the settings window places it: the recorder field of one name, alone or after a label.
// Main thread only.
#pragma once

#include "applicationmenushortcuts.h"
#include "recorderfield.h"

#include <QWidget>

class QLabel;

namespace GlobalShortcuts {

class Recorder : public QWidget {
    Q_OBJECT
public:
    explicit Recorder(const Name& name, QWidget* parent = nullptr);
    // With a label showing the title, which gives the field its keyboard mnemonic.
    Recorder(const QString& label, const Name& name, QWidget* parent = nullptr);
    // With a label the caller made; the recorder takes it over.
    Recorder(QWidget* label, const Name& name, QWidget* parent = nullptr);

    RecorderField* field() const { return m_field; }
    // The label, or null for a recorder without one.
    QWidget* label() const { return m_label; }
    bool hasLabel() const { return m_label != nullptr; }

    void setName(const Name& name) { m_field->setShortcutName(name); }
    void setOnChange(std::function<void(const std::optional<Shortcut>&)> onChange);

private:
    RecorderField* m_field;
    QWidget* m_label = nullptr;
};

} // namespace GlobalShortcuts
