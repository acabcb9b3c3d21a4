// The acknowledgements shown on the About tab: one License record per acknowledged component, read
// from a JSON resource compiled into the application (an array of objects with the text members "name",
// "type" and "text"). Main thread only; a resource that is missing, unreadable or malformed leaves the
// list as it was (empty until a load succeeds), without a message.
#pragma once

#include "published.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

struct License {
    QString name; // also the record's identity in a list
    QString type; // the licence's kind, kept but not shown
    QString text;

    const QString& id() const { return name; }
    friend bool operator==(const License&, const License&) = default;
};

size_t qHash(const License& license, size_t seed = 0) noexcept;

// The records of a JSON array in order, or nothing when the data is not such an array or one of its
// elements lacks a member or has one that is not a string. Other members are ignored.
std::optional<QList<License>> decodeLicenses(const QByteArray& json);

class LicensesViewModel : public QObject {
    Q_OBJECT
public:
    // The resource built into the application ("acknowledgements-appstore.json").
    static QString defaultResourcePath();

    explicit LicensesViewModel(QString resourcePath = defaultResourcePath(), QObject* parent = nullptr);

    const Published<QList<License>>& licenses() const { return m_licenses; }

    // Reads the resource again and replaces the list with its records, in their order.
    void load();

private:
    QString m_resourcePath;
    Published<QList<License>> m_licenses;
};
