#include "searchsettingsview.h"

#include "localizedstrings.h"
#include "settingsviewmodel.h"
#include "textstyles.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int hintMaximumLines = 5;
constexpr int presetsMaximumWidth = 100;

} // namespace

SearchSettingsView::SearchSettingsView(SettingsViewModel& viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_hint(new QLabel(TextStyles::displayText(Strings::settingsSearchWebHintTitle()), this))
    , m_field(new QLineEdit(this))
    , m_presets(new QPushButton(Strings::settingsSearchWebPresetsTitle(), this))
{
    m_hint->setFont(TextStyles::small(font()));
    m_hint->setWordWrap(true);
    m_hint->setTextFormat(Qt::PlainText);
    m_hint->setMaximumHeight(QFontMetrics(m_hint->font()).lineSpacing() * hintMaximumLines);
    m_hint->setAlignment(Qt::AlignLeading | Qt::AlignTop);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    m_field->setPlaceholderText(Strings::settingsSearchWebUrlPrefixTitle());
    m_field->setClearButtonEnabled(false);
    connect(m_field, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_viewModel.setSearchEngineTemplate(text); });

    auto* menu = new QMenu(m_presets);
    for (DefaultSearchEngines engine : allDefaultSearchEngines)
        menu->addAction(menuLabel(engine), this, [this, engine] { choosePreset(engine); });
    m_presets->setMenu(menu);
    m_presets->setMaximumWidth(presetsMaximumWidth);

    auto* row = new QHBoxLayout;
    row->addWidget(m_field, 1);
    row->addWidget(m_presets);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_hint);
    layout->addSpacing(4);
    layout->addWidget(divider);
    layout->addSpacing(4);
    layout->addLayout(row);
    layout->addStretch(1);
}

void SearchSettingsView::choosePreset(DefaultSearchEngines engine)
{
    m_field->setText(rawValue(engine));
}

void SearchSettingsView::showEvent(QShowEvent* event)
{
    // Setting the text announces it only when it differs from what the field holds.
    m_field->setText(m_viewModel.searchEngineTemplate().value().value_or(QString()));
    QWidget::showEvent(event);
}
