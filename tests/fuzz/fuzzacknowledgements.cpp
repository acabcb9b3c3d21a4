// The acknowledgements JSON, decoded on its own and loaded by the About tab's model from a file: a
// decoded list holds one record per array element, in order, with the members' texts; the model shows
// exactly what decodes and keeps what it had when nothing does.
#include "fuzztargets.h"

#include "acknowledgements.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace FuzzTargets {

namespace {

std::unique_ptr<QTemporaryDir>& folder()
{
    static std::unique_ptr<QTemporaryDir> instance;
    return instance;
}

void setUpAcknowledgements()
{
    if (folder())
        return;
    folder() = std::make_unique<QTemporaryDir>();
    FUZZ_CHECK(folder()->isValid());
    // The resource built into the application decodes.
    LicensesViewModel builtIn;
    builtIn.load();
    FUZZ_CHECK(!builtIn.licenses().value().isEmpty());
}

void runAcknowledgements(QByteArrayView input)
{
    const QByteArray data = input.toByteArray();
    const std::optional<QList<License>> decoded = decodeLicenses(data);

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (decoded) {
        FUZZ_CHECK(error.error == QJsonParseError::NoError && document.isArray());
        const QJsonArray array = document.array();
        FUZZ_CHECK(decoded->size() == array.size());
        QJsonArray written;
        for (qsizetype i = 0; i < decoded->size(); ++i) {
            const License& license = decoded->at(i);
            const QJsonObject element = array.at(i).toObject();
            FUZZ_CHECK(element.value(QLatin1String("name")).toString() == license.name);
            FUZZ_CHECK(element.value(QLatin1String("type")).toString() == license.type);
            FUZZ_CHECK(element.value(QLatin1String("text")).toString() == license.text);
            FUZZ_CHECK(license.id() == license.name);
            written.append(QJsonObject{{QStringLiteral("name"), license.name},
                                       {QStringLiteral("type"), license.type},
                                       {QStringLiteral("text"), license.text}});
        }
        FUZZ_CHECK(decodeLicenses(QJsonDocument(written).toJson()) == decoded);
    } else if (error.error == QJsonParseError::NoError && document.isArray()) {
        // Refused only for an element that is not an object with the three texts.
        const QJsonArray array = document.array();
        FUZZ_CHECK(std::any_of(array.begin(), array.end(), [](const QJsonValue& element) {
            const QJsonObject object = element.toObject();
            return !element.isObject() || !object.value(QLatin1String("name")).isString() ||
                   !object.value(QLatin1String("type")).isString() ||
                   !object.value(QLatin1String("text")).isString();
        }));
    }

    // The About tab's model reading the same bytes from its file, over the list it read before.
    const QString path = folder()->filePath(QStringLiteral("acknowledgements.json"));
    const auto write = [&path](const QByteArray& contents) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(contents) == contents.size());
    };
    const QList<License> earlier{{QStringLiteral("Earlier"), QStringLiteral("MIT"), QStringLiteral("Text")}};
    write(R"([{"name": "Earlier", "type": "MIT", "text": "Text"}])");
    LicensesViewModel model(path);
    model.load();
    FUZZ_CHECK(model.licenses().value() == earlier);
    write(data);
    model.load();
    FUZZ_CHECK(model.licenses().value() == decoded.value_or(earlier));
}

} // namespace

const Target acknowledgements{"acknowledgements", &setUpAcknowledgements, &runAcknowledgements};

} // namespace FuzzTargets
