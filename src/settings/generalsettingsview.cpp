#include "generalsettingsview.h"

#include "automaticlanguageengine.h"
#include "recognitionlanguages.h"
#include "tesseractlanguages.h"

#include "localizedstrings.h"
#include "loginitemtoggle.h"
#include "recorder.h"
#include "removefromhistorydurationtype.h"
#include "settingsviewmodel.h"
#include "textstyles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int sectionPadding = 12;

// Extra room between two rows of the form.
void addPadding(QFormLayout* form, int height)
{
    form->addItem(new QSpacerItem(0, height, QSizePolicy::Minimum, QSizePolicy::Fixed));
}

// Shows the published flag in the check box and writes each click back through `set`.
void bind(QCheckBox* box, const Published<bool>& flag, SettingsViewModel& viewModel,
          void (SettingsViewModel::*set)(bool))
{
    flag.subscribe(box, [box](const bool& value) {
        const QSignalBlocker blocker(box);
        box->setChecked(value);
    });
    QObject::connect(box, &QCheckBox::toggled, box,
                     [&viewModel, set](bool checked) { (viewModel.*set)(checked); });
}

} // namespace

GeneralSettingsView::GeneralSettingsView(SettingsViewModel& viewModel,
                                         const GlobalShortcuts::Name& captureShortcut, LoginItem& loginItem,
                                         QWidget* parent)
    : QWidget(parent)
    , m_loginItemToggle(new LoginItemToggle(loginItem, this))
    , m_recorder(new GlobalShortcuts::Recorder(captureShortcut, this))
    , m_playSound(new QCheckBox(TextStyles::displayText(Strings::settingsPlayCaptureSoundTitle()), this))
    , m_showPreview(new QCheckBox(TextStyles::displayText(Strings::settingsShowPreviewTitle()), this))
    , m_clearHistory(new QComboBox(this))
    , m_recognitionLanguage(new QComboBox(this))
{
    m_loginItemToggle->setText(Strings::settingsStartAtLoginTitle());
    for (RemoveFromHistoryDurationType type : allRemoveFromHistoryDurationTypes)
        m_clearHistory->addItem(removeFromHistoryDurationTitle(type), int(type));
    m_clearHistory->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // Automatic, then each installed language by its name.
    m_recognitionLanguage->addItem(Strings::settingsRecognitionLanguageAutomaticTitle(), QString());
    const QStringList installed = installedRecognitionLanguages();
    for (const QString& language : RecognitionLanguageModels::engineLanguages()) {
        if (!installed.contains(language))
            continue;
        const auto name = RecognitionLanguages::languageDisplayName(
            RecognitionLanguageModels::identificationCode(language));
        m_recognitionLanguage->addItem(name.value_or(language), language);
    }
    m_recognitionLanguage->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFormAlignment(Qt::AlignHCenter | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    addPadding(form, sectionPadding);
    form->addRow(QString(), m_loginItemToggle);
    addPadding(form, sectionPadding);
    form->addRow(Strings::settingsStartCapturingTitle(), m_recorder);
    form->addRow(QString(), m_playSound);
    form->addRow(QString(), m_showPreview);
    addPadding(form, sectionPadding);
    form->addRow(Strings::settingsClearHistoryAfterTitle(), m_clearHistory);
    form->addRow(Strings::settingsRecognitionLanguageTitle(), m_recognitionLanguage);
    addPadding(form, sectionPadding);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);

    bind(m_playSound, viewModel.isPlayingSounds(), viewModel, &SettingsViewModel::setIsPlayingSounds);
    bind(m_showPreview, viewModel.isShowingPreview(), viewModel, &SettingsViewModel::setIsShowingPreview);
    viewModel.removeFromHistoryDurationType().subscribe(
        m_clearHistory, [picker = m_clearHistory](const RemoveFromHistoryDurationType& type) {
            const QSignalBlocker blocker(picker);
            picker->setCurrentIndex(picker->findData(int(type)));
        });
    viewModel.recognitionLanguage().subscribe(
        m_recognitionLanguage, [picker = m_recognitionLanguage](const QString& language) {
            const QSignalBlocker blocker(picker);
            // A stored language whose data is gone shows as the automatic choice it falls back to.
            picker->setCurrentIndex(std::max(0, picker->findData(language)));
        });
    connect(m_recognitionLanguage, &QComboBox::currentIndexChanged, this, [this, &viewModel](int index) {
        viewModel.setRecognitionLanguage(m_recognitionLanguage->itemData(index).toString());
    });
    connect(m_clearHistory, &QComboBox::currentIndexChanged, this, [this, &viewModel](int index) {
        if (auto type = removeFromHistoryDurationTypeFromRawValue(m_clearHistory->itemData(index).toInt()))
            viewModel.setRemoveFromHistoryDurationType(*type);
    });
}
