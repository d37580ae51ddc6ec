#pragma once
// The web view's HTML pages. Plain text building; what they show comes from the server.

#include "WebFiles.h"

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QString>

namespace quorvin {

// "/": the latest live picture (`image`, empty when no live output is on) and `status` as /health gives it;
// a script polls /health and swaps the picture when a new one was captured, so the page never reloads.
QByteArray StatusPage(const QString& image, const QJsonObject& status);

// One history folder: `route` is its own path ("/history/240105/"), `hour` the hour shown ("" for all, or
// the hour index when the folder holds too many pictures for one page).
QByteArray HistoryPage(const QString& route, const FolderListing& listing, const QString& hour);

// "/timelapse/": every film; "/timelapse/DAY": the film of `day` in a player.
QByteArray FilmsPage(const QList<QDate>& days);
QByteArray FilmPage(QDate day);

// A refusal or a missing page: the status and why, as a page a person reads.
QByteArray MessagePage(int status, const QString& text);

}  // namespace quorvin
