// The About tab of the settings window: the application icon beside the product name, version and
// copyright, which the "Acknowledgements" button swaps for the scrolling list of acknowledged components
// and their licences ("Version Info" swaps back); below, the links to the web site and to a new e-mail
// to the developers. Each time the tab is shown it reloads the acknowledgements and starts again with
// the product information. Main thread only; the URL opener must outlive the view, and a link the
// desktop cannot open is dropped without a message.
#pragma once

#include "acknowledgements.h"

#include <QIcon>
#include <QList>
#include <QUrl>
#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTextEdit;
class UrlOpener;

// The product's information as the About tab shows it: each value as the version header gives it, or
// "N/A" when it is missing or empty.
struct ProductInformation {
    QString name;
    QString shortVersion;
    QString buildVersion;
    QString copyright;

    static ProductInformation make(const char* name, const char* shortVersion, const char* buildVersion,
                                   const char* copyright);
    // Oculo's, from the version header CMake generates.
    static ProductInformation current();

    // The short version, a space and the build version in parentheses: "0.1.0 (1)".
    QString versionLine() const;
};

class AboutView : public QWidget {
    Q_OBJECT
public:
    static constexpr int iconSize = 100;
    static const QUrl websiteUrl;  // the product web site, with the about dialog as the visit's source
    static const QUrl feedbackUrl; // a new e-mail to the developers

    // `licensesResourcePath`: where the acknowledgements are read from; empty for the built-in list.
    AboutView(UrlOpener& urlOpener, ProductInformation product = ProductInformation::current(),
              QString licensesResourcePath = {}, QWidget* parent = nullptr);
    ~AboutView() override;

    // The icon beside the product information; none leaves it out.
    void setApplicationIcon(const QIcon& icon);

    bool isShowingAcknowledgements() const { return m_isShowingAcknowledgements; }
    void setIsShowingAcknowledgements(bool value);

    QPushButton* acknowledgementsButton() const { return m_toggle; }
    QPushButton* websiteButton() const { return m_website; }
    QPushButton* contactButton() const { return m_contact; }
    QLabel* iconLabel() const { return m_icon; }
    // The acknowledgements as shown: the name of each component over its licence text.
    QTextEdit* acknowledgementsView() const { return m_acknowledgements; }
    // The components listed, in order; a name listed twice counts once.
    QStringList shownLicenseNames() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showLicenses(const QList<License>& licenses);

    UrlOpener& m_urlOpener;
    QString m_licensesResourcePath;
    std::unique_ptr<LicensesViewModel> m_licensesViewModel; // made when the tab is first shown
    bool m_isShowingAcknowledgements = false;
    QLabel* m_icon;
    QStackedWidget* m_pages;
    QTextEdit* m_acknowledgements;
    QList<License> m_shownLicenses;
    QPushButton* m_toggle;
    QPushButton* m_website;
    QPushButton* m_contact;
};
