#include "viewers/pdfplaces.h"

#include "common/statefolder.h"
#include "viewers/pdfpaging.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>

namespace pdfplaces {

namespace {

const QString stateName = QStringLiteral("pdf-places.json");

// A remembered resolution beyond this is not trusted: the file may have been edited by hand, and a page at
// such a size would take gigabytes.
constexpr int maximumDpi = 2400;

QString key(const QFileInfo &info)
{
    return info.absoluteFilePath();
}

} // namespace

std::optional<Place> remembered(const QString &path)
{
    const QFileInfo info(path);
    const QJsonObject entry = brivo::readStateObject(stateName).value(key(info)).toObject();
    if (entry.isEmpty() || entry.value("size").toInteger(-1) != info.size() ||
        entry.value("modified").toInteger(-1) != info.lastModified().toMSecsSinceEpoch())
        return std::nullopt;
    Place place;
    place.page = std::max(0, entry.value("page").toInt());
    place.dpi = std::clamp(entry.value("dpi").toInt(100), pdfpaging::minimumDpi, maximumDpi);
    place.fit = entry.value("fit").toString();
    if (place.fit != "width" && place.fit != "page")
        place.fit.clear();
    place.continuous = entry.value("continuous").toBool();
    return place;
}

bool remember(const QString &path, const Place &place)
{
    const QFileInfo info(path);
    QJsonObject all = brivo::readStateObject(stateName);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    all.insert(key(info), QJsonObject{{"page", place.page},
                                      {"dpi", place.dpi},
                                      {"fit", place.fit},
                                      {"continuous", place.continuous},
                                      {"size", info.size()},
                                      {"modified", info.lastModified().toMSecsSinceEpoch()},
                                      {"used", now}});
    while (all.size() > maximumDocuments) {
        auto oldest = std::min_element(all.begin(), all.end(), [](const QJsonValue &a, const QJsonValue &b) {
            return a.toObject().value("used").toInteger() < b.toObject().value("used").toInteger();
        });
        all.erase(oldest);
    }
    return brivo::writeStateObject(stateName, all);
}

} // namespace pdfplaces
