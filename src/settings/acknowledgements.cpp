#include "acknowledgements.h"

#include <QFile>
#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

size_t qHash(const License& license, size_t seed) noexcept
{
    return qHashMulti(seed, license.name, license.type, license.text);
}

std::optional<QList<License>> decodeLicenses(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<License> licenses;
    licenses.reserve(array.size());
    for (const QJsonValue& element : array) {
        const QJsonObject object = element.toObject();
        const QJsonValue name = object.value(QLatin1String("name"));
        const QJsonValue type = object.value(QLatin1String("type"));
        const QJsonValue text = object.value(QLatin1String("text"));
        if (!element.isObject() || !name.isString() || !type.isString() || !text.isString())
            return std::nullopt;
        licenses.append({name.toString(), type.toString(), text.toString()});
    }
    return licenses;
}

QString LicensesViewModel::defaultResourcePath()
{
    return QStringLiteral(":/acknowledgements/acknowledgements-appstore.json");
}

LicensesViewModel::LicensesViewModel(QString resourcePath, QObject* parent)
    : QObject(parent)
    , m_resourcePath(std::move(resourcePath))
{}

void LicensesViewModel::load()
{
    QFile file(m_resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    std::optional<QList<License>> decoded = decodeLicenses(file.readAll());
    if (!decoded)
        return;
    m_licenses.set(std::move(*decoded));
}
