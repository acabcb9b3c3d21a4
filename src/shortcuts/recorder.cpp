#include "recorder.h"

#include <QHBoxLayout>
#include <QLabel>

namespace GlobalShortcuts {

Recorder::Recorder(const Name& name, QWidget* parent)
    : Recorder(static_cast<QWidget*>(nullptr), name, parent)
{}

Recorder::Recorder(const QString& label, const Name& name, QWidget* parent)
    : Recorder(new QLabel(label), name, parent)
{
    static_cast<QLabel*>(m_label)->setBuddy(m_field);
}

Recorder::Recorder(QWidget* label, const Name& name, QWidget* parent)
    : QWidget(parent)
    , m_field(new RecorderField(name, {}, this))
    , m_label(label)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (m_label)
        layout->addWidget(m_label);
    layout->addWidget(m_field);
    setFocusProxy(m_field);
}

void Recorder::setOnChange(std::function<void(const std::optional<Shortcut>&)> onChange)
{
    m_field->setOnChange(std::move(onChange));
}

} // namespace GlobalShortcuts
