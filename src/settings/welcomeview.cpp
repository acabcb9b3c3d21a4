#include "welcomeview.h"

#include "actionbuttonstyle.h"
#include "localizedstrings.h"
#include "recognitionlanguages.h"
#include "settingssymbols.h"
#include "textstyles.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

namespace {

constexpr int topPadding = 35;
constexpr int sidePadding = 55; // left, right and bottom
constexpr int headlineSpacing = 30;
constexpr int rowSpacing = 16;
constexpr int symbolColumnWidth = 30;
constexpr int symbolPadding = 8; // above the symbol and between it and the texts
constexpr int stepTextSpacing = 6;
constexpr int doneButtonMaximumWidth = 230;

QLabel* makeLabel(const QString& text, const QFont& font, QWidget* parent)
{
    auto* label = new QLabel(TextStyles::displayText(text), parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* makeSecondaryLabel(const QString& text, const QFont& font, QWidget* parent)
{
    QLabel* label = makeLabel(text, font, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, TextStyles::secondaryColor(palette));
    label->setPalette(palette);
    return label;
}

// A step: the symbol in its column, beside the title over the body.
QLayout* makeStepRow(SettingsSymbol symbol, const QString& title, const QString& body, const QString& name,
                     QWidget* parent)
{
    const QFont base = parent->font();
    const int symbolSize = QFontMetrics(TextStyles::largeTitle(base)).height();
    auto* row = new QHBoxLayout;
    row->setSpacing(symbolPadding);
    auto* symbolView = new SettingsSymbolView(symbol, symbolSize, symbolColumnWidth, parent);
    symbolView->setObjectName(name + QLatin1String("Symbol"));
    auto* symbolColumn = new QVBoxLayout;
    symbolColumn->setContentsMargins(0, symbolPadding, 0, 0);
    symbolColumn->addWidget(symbolView);
    symbolColumn->addStretch();
    row->addLayout(symbolColumn);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(stepTextSpacing);
    QLabel* titleLabel = makeLabel(title, TextStyles::headline(base), parent);
    titleLabel->setObjectName(name + QLatin1String("Title"));
    QLabel* bodyLabel = makeSecondaryLabel(body, TextStyles::footnote(base), parent);
    bodyLabel->setObjectName(name + QLatin1String("Body"));
    texts->addWidget(titleLabel);
    texts->addWidget(bodyLabel);
    row->addLayout(texts, 1);
    return row;
}

// The text with each quoted command ("oculo --history") kept on one line.
QString keepingCommandsWhole(QString text)
{
    static const QRegularExpression command(QStringLiteral("\"oculo [^\"]*\""));
    QRegularExpressionMatchIterator matches = command.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        for (qsizetype at = match.capturedStart(); at < match.capturedEnd(); ++at) {
            if (text.at(at) == u' ')
                text[at] = QChar::Nbsp;
        }
    }
    return text;
}

} // namespace

void WelcomeView::setCaptureShortcut(const QString& text)
{
    m_captureShortcut->setText(text.isEmpty() ? QString() : Strings::welcomeStepSelectShortcut(text));
    m_captureShortcut->setVisible(!text.isEmpty());
}

void WelcomeView::setCaptureShortcutNote(const QString& text)
{
    m_captureShortcut->setText(keepingCommandsWhole(text));
    m_captureShortcut->setVisible(!text.isEmpty());
}

void WelcomeView::setTrayNote(const QString& text)
{
    m_trayNote->setText(keepingCommandsWhole(text));
    m_trayNote->setVisible(!text.isEmpty());
}

WelcomeView::WelcomeView(QWidget* window, ScreenCaptureAccess access,
                         const QStringList& installedRecognitionLanguages, QWidget* parent)
    : QWidget(parent)
    , m_window(window)
    , m_access(std::move(access))
    , m_actionButton(new QPushButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(sidePadding, topPadding, sidePadding, sidePadding);
    layout->setSpacing(rowSpacing);

    QLabel* headline = makeLabel(Strings::welcomeHeadlineTitle(), TextStyles::largeTitle(font()), this);
    headline->setObjectName(QStringLiteral("headline"));
    layout->addWidget(headline);
    layout->addSpacing(headlineSpacing - rowSpacing);

    QLayout* select = makeStepRow(SettingsSymbol::crop, Strings::welcomeStepSelectTitle(),
                                  Strings::welcomeStepSelectBody(), QStringLiteral("select"), this);
    // The shortcut goes with the step's texts, under its body.
    m_captureShortcut = makeLabel(QString(), TextStyles::footnote(font()), this);
    m_captureShortcut->setObjectName(QStringLiteral("captureShortcut"));
    m_captureShortcut->hide();
    if (auto* texts = qobject_cast<QBoxLayout*>(select->itemAt(1)->layout()))
        texts->addWidget(m_captureShortcut);
    layout->addLayout(select);
    layout->addLayout(makeStepRow(SettingsSymbol::paperclip, Strings::welcomeStepPasteTitle(),
                                  Strings::welcomeStepPasteBody(), QStringLiteral("paste"), this));
    layout->addLayout(makeStepRow(SettingsSymbol::globe, Strings::welcomeInfoInternationalTitle(),
                                  languagesText(installedRecognitionLanguages), QStringLiteral("languages"),
                                  this));

    m_trayNote = makeLabel(QString(), TextStyles::footnote(font()), this);
    m_trayNote->setObjectName(QStringLiteral("trayNote"));
    m_trayNote->hide();
    layout->addWidget(m_trayNote);

    QLabel* note = makeSecondaryLabel(Strings::welcomePermissionsBody(), TextStyles::caption2(font()), this);
    note->setObjectName(QStringLiteral("permissionNote"));
    layout->addWidget(note);
    layout->addStretch(1);

    m_actionButton->setObjectName(QStringLiteral("actionButton"));
    ActionButtonStyle::apply(m_actionButton, true);
    m_actionButton->setDefault(true);
    connect(m_actionButton, &QPushButton::clicked, this, &WelcomeView::buttonClicked);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_actionButton, 6);
    buttonRow->addStretch(1);
    layout->addLayout(buttonRow);

    updateButton();
}

QString WelcomeView::languagesText(const QStringList& installedRecognitionLanguages)
{
    const QStringList names = RecognitionLanguages::supportedLanguageNames(installedRecognitionLanguages);
    return Strings::welcomeInfoInternationalBody(QLocale().createSeparatedList(names));
}

void WelcomeView::showEvent(QShowEvent* event)
{
    updateButton();
    QWidget::showEvent(event);
}

void WelcomeView::updateButton()
{
    m_isOfferingPermission = !(m_access.preflight && m_access.preflight());
    if (m_isOfferingPermission) {
        m_actionButton->setText(Strings::welcomePermissionsOpenPreferencesButtonTitle());
        m_actionButton->setMaximumWidth(QWIDGETSIZE_MAX);
    } else {
        m_actionButton->setText(Strings::welcomePermissionsDoneButtonTitle());
        m_actionButton->setMaximumWidth(doneButtonMaximumWidth);
    }
}

void WelcomeView::buttonClicked()
{
    const bool asksForPermission = m_isOfferingPermission;
    if (m_window)
        m_window->close();
    if (asksForPermission && m_access.request)
        m_access.request();
}
