#include "aboutview.h"

#include "localizedstrings.h"
#include "oculoversion.h"
#include "textstyles.h"
#include "urlopener.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int stackSpacing = 12;
constexpr int rowSpacing = 20;
constexpr int informationSpacing = 2;
constexpr int versionPadding = 12;
constexpr int licensePadding = 12;

QString valueOrNotAvailable(const char* value)
{
    return value && *value ? QString::fromUtf8(value) : QStringLiteral("N/A");
}

QLabel* makeLabel(const QFont& font, bool isSecondary, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (isSecondary) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, TextStyles::secondaryColor(palette));
        label->setPalette(palette);
    }
    return label;
}

} // namespace

const QUrl AboutView::websiteUrl(QStringLiteral("https://oculo.org/?utm_source=about-dialog"));
const QUrl AboutView::feedbackUrl(QStringLiteral("mailto:hello@oculo.org?subject=Hello%20Oculo"));

ProductInformation ProductInformation::make(const char* name, const char* shortVersion,
                                            const char* buildVersion, const char* copyright)
{
    return {valueOrNotAvailable(name), valueOrNotAvailable(shortVersion), valueOrNotAvailable(buildVersion),
            valueOrNotAvailable(copyright)};
}

ProductInformation ProductInformation::current()
{
    return make(OculoVersion::name, OculoVersion::shortVersion, OculoVersion::buildVersion,
                OculoVersion::copyright);
}

QString ProductInformation::versionLine() const
{
    return shortVersion + QStringLiteral(" (") + buildVersion + u')';
}

AboutView::AboutView(UrlOpener& urlOpener, ProductInformation product, QString licensesResourcePath,
                     QWidget* parent)
    : QWidget(parent)
    , m_urlOpener(urlOpener)
    , m_licensesResourcePath(std::move(licensesResourcePath))
    , m_icon(new QLabel(this))
    , m_pages(new QStackedWidget(this))
    , m_acknowledgements(new QTextEdit(this))
    , m_toggle(new QPushButton(Strings::settingsAboutAcknowledgementsButtonTitle(), this))
    , m_website(new QPushButton(Strings::settingsAboutVisitWebsiteButtonTitle(), this))
    , m_contact(new QPushButton(Strings::settingsAboutContactUsButtonTitle(), this))
{
    m_icon->setFixedSize(iconSize, iconSize);
    m_icon->setScaledContents(true);
    m_icon->hide();

    auto* information = new QWidget(m_pages);
    auto* informationLayout = new QVBoxLayout(information);
    informationLayout->setContentsMargins(0, 0, 0, 0);
    informationLayout->setSpacing(informationSpacing);
    QLabel* name = makeLabel(TextStyles::title(font()), false, information);
    name->setObjectName(QStringLiteral("productName"));
    name->setText(product.name);
    QLabel* version = makeLabel(font(), true, information);
    version->setObjectName(QStringLiteral("productVersion"));
    version->setText(product.versionLine());
    QLabel* copyright = makeLabel(TextStyles::caption(font()), true, information);
    copyright->setObjectName(QStringLiteral("productCopyright"));
    copyright->setText(product.copyright);
    informationLayout->addWidget(name);
    informationLayout->addWidget(version);
    informationLayout->addSpacing(versionPadding);
    informationLayout->addWidget(copyright);
    informationLayout->addStretch(1);
    m_pages->addWidget(information);

    m_acknowledgements->setReadOnly(true);
    m_acknowledgements->setFrameShape(QFrame::NoFrame);
    m_acknowledgements->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_acknowledgements->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_acknowledgements->viewport()->setAutoFillBackground(false);
    m_acknowledgements->setAutoFillBackground(false);
    m_pages->addWidget(m_acknowledgements);

    auto* top = new QHBoxLayout;
    top->setSpacing(rowSpacing);
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addWidget(m_pages, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_toggle);
    buttons->addStretch(1);
    buttons->addWidget(m_website);
    buttons->addWidget(m_contact);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(stackSpacing);
    layout->addLayout(top, 1);
    layout->addWidget(divider);
    layout->addLayout(buttons);

    connect(m_toggle, &QPushButton::clicked, this,
            [this] { setIsShowingAcknowledgements(!m_isShowingAcknowledgements); });
    connect(m_website, &QPushButton::clicked, this, [this] { m_urlOpener.openUrl(websiteUrl); });
    connect(m_contact, &QPushButton::clicked, this, [this] { m_urlOpener.openUrl(feedbackUrl); });

    setApplicationIcon(QGuiApplication::windowIcon());
}

AboutView::~AboutView() = default;

void AboutView::setApplicationIcon(const QIcon& icon)
{
    if (icon.isNull()) {
        m_icon->clear();
        m_icon->hide();
        return;
    }
    // Drawn for the screen's scale, so that it stays sharp at scale 2.
    const qreal scale = devicePixelRatioF();
    QPixmap pixmap = icon.pixmap(QSize(iconSize, iconSize), scale);
    m_icon->setPixmap(pixmap);
    m_icon->show();
}

void AboutView::setIsShowingAcknowledgements(bool value)
{
    m_isShowingAcknowledgements = value;
    m_pages->setCurrentIndex(value ? 1 : 0);
    m_toggle->setText(value ? Strings::settingsAboutVersionInfoButtonTitle()
                            : Strings::settingsAboutAcknowledgementsButtonTitle());
}

QStringList AboutView::shownLicenseNames() const
{
    QStringList names;
    for (const License& license : m_shownLicenses) {
        if (!names.contains(license.name))
            names.append(license.name);
    }
    return names;
}

void AboutView::showEvent(QShowEvent* event)
{
    if (!m_licensesViewModel) {
        m_licensesViewModel = m_licensesResourcePath.isEmpty()
                                  ? std::make_unique<LicensesViewModel>()
                                  : std::make_unique<LicensesViewModel>(m_licensesResourcePath);
        m_licensesViewModel->licenses().subscribe(
            this, [this](const QList<License>& licenses) { showLicenses(licenses); });
    }
    m_licensesViewModel->load();
    setIsShowingAcknowledgements(false);
    QWidget::showEvent(event);
}

void AboutView::showLicenses(const QList<License>& licenses)
{
    // Every load gives the same list; lay it out only when it differs from the one shown.
    if (licenses == m_shownLicenses)
        return;
    m_shownLicenses = licenses;
    m_acknowledgements->clear();
    QTextCursor cursor(m_acknowledgements->document());
    QTextCharFormat nameFormat;
    nameFormat.setFont(font());
    nameFormat.setFontWeight(QFont::Bold);
    QTextCharFormat textFormat;
    textFormat.setFont(TextStyles::caption(font()));
    QTextBlockFormat nameBlock;
    QTextBlockFormat textBlock;
    textBlock.setBottomMargin(licensePadding);
    QSet<QString> shown;
    bool isFirst = true;
    for (const License& license : licenses) {
        // A list identifies its items by name: a second record of a name is the same item.
        if (shown.contains(license.name))
            continue;
        shown.insert(license.name);
        if (isFirst)
            cursor.setBlockFormat(nameBlock);
        else
            cursor.insertBlock(nameBlock);
        isFirst = false;
        cursor.insertText(license.name, nameFormat);
        cursor.insertBlock(textBlock);
        // One block per licence: its own line breaks stay line breaks inside it.
        QString text = license.text;
        text.replace(u'\n', QChar::LineSeparator);
        cursor.insertText(text, textFormat);
    }
    m_acknowledgements->moveCursor(QTextCursor::Start);
}
