#include "WebPages.h"

#include <QJsonDocument>
#include <QMap>
#include <QUrl>

namespace quorvin {
namespace {

// Pictures a folder page shows at once; a fuller folder is shown an hour at a time.
constexpr int kPicturesPerPage = 240;

QString Escape(const QString& text) {
  return text.toHtmlEscaped();
}

QString Link(const QString& route) {
  return QString::fromLatin1(QUrl::toPercentEncoding(route, "/"));
}

QByteArray Page(const QString& title, const QString& body, const QString& script = {}) {
  QString html = QStringLiteral(
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
  html += Escape(title) +
          QStringLiteral(
              "</title>\n<style>\n"
              "body{font-family:system-ui,sans-serif;margin:0;background:#15181c;color:#e8e8e8}\n"
              "header{display:flex;gap:1.2em;align-items:baseline;padding:.6em 1em;background:#23282f}\n"
              "header b{font-size:1.15em}a{color:#8cc4ff}main{padding:1em;max-width:1200px;margin:auto}\n"
              ".now{display:flex;flex-wrap:wrap;gap:1em;align-items:flex-start}\n"
              ".now figure{margin:0;flex:2 1 420px;min-width:0;max-width:760px}.now table{flex:1 1 18em}\n"
              ".live{width:100%;height:auto;border-radius:6px;background:#000;display:block}\n"
              "table{border-collapse:collapse;width:100%}"
              "td{padding:.35em .5em;border-bottom:1px solid #333}td:first-child{color:#9aa4ae;width:40%}\n"
              ".ok{color:#7ddc7d}.bad{color:#ff7070;font-weight:bold}\n"
              ".grid{display:flex;flex-wrap:wrap;gap:6px}.grid a{display:block}"
              ".grid img{height:96px;width:auto;border-radius:3px;background:#000}\n"
              "ul.days{columns:12em;padding-left:1.2em}video{width:100%;max-height:80vh;background:#000}\n"
              "</style></head>\n<body><header><b>Quorvin</b><a href=\"/\">Live</a><a "
              "href=\"/history/\">History</a>"
              "<a href=\"/timelapse/\">Time-lapse</a></header>\n<main>\n");
  html += body + QStringLiteral("</main>\n");
  if (!script.isEmpty()) html += QStringLiteral("<script>\n") + script + QStringLiteral("</script>\n");
  html += QStringLiteral("</body></html>\n");
  return html.toUtf8();
}

QString Text(const QJsonObject& o, const char* key, const QString& none = QStringLiteral("—")) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isNull() || v.isUndefined() || v.toVariant().toString().isEmpty()) return none;
  return v.toVariant().toString();
}

QString Row(const char* id, const QString& name, const QString& value, const QString& cls = {}) {
  return QStringLiteral("<tr><td>%1</td><td id=\"%2\"%3>%4</td></tr>\n")
      .arg(Escape(name), QLatin1String(id),
           cls.isEmpty() ? QString() : QStringLiteral(" class=\"%1\"").arg(cls), Escape(value));
}

const char kStatusScript[] = R"(
const $ = id => document.getElementById(id);
const when = (t, age) => t ? t.replace('T', ' ').slice(0, 19) + (age != null ? ' (' + age + ' s ago)' : '') : '—';
let shown = $('live') ? $('live').dataset.taken : '';
async function poll() {
  try {
    const r = await fetch('/health', {cache: 'no-store'});
    const h = await r.json();
    $('lastLive').textContent = when(h.lastLive, h.liveAgeSeconds);
    $('lastHistory').textContent = when(h.lastHistory, h.historyAgeSeconds);
    $('nextLive').textContent = h.nextLive || '—';
    $('nextHistory').textContent = h.nextHistory || '—';
    $('state').textContent = h.state || '—';
    $('lastError').textContent = h.lastError || '—';
    $('health').textContent = h.stale ? 'LIVE CAPTURE FAILING' : 'OK';
    $('health').className = h.stale ? 'bad' : 'ok';
    if ($('live') && h.lastLive && h.lastLive !== shown) {
      shown = h.lastLive;
      $('live').src = $('live').dataset.src + '?t=' + encodeURIComponent(shown);
    }
  } catch (e) {
    $('health').textContent = 'recorder not reachable';
    $('health').className = 'bad';
  }
}
setInterval(poll, 2000);
)";

}  // namespace

QByteArray StatusPage(const QString& image, const QJsonObject& status) {
  const bool stale = status.value(QLatin1String("stale")).toBool();
  const auto when = [&](const char* time, const char* age) {
    const QString t = Text(status, time, {});
    if (t.isEmpty()) return QStringLiteral("—");
    return t.left(19).replace(QLatin1Char('T'), QLatin1Char(' ')) +
           QStringLiteral(" (%1 s ago)").arg(status.value(QLatin1String(age)).toInteger());
  };
  QString body = QStringLiteral("<div class=\"now\">\n");
  if (image.isEmpty())
    body += QStringLiteral("<p>No live output is switched on.</p>\n");
  else
    body +=
        QStringLiteral(
            "<figure><img id=\"live\" class=\"live\" alt=\"latest live image\" src=\"%1\" data-src=\"%1\" "
            "data-taken=\"%2\"></figure>\n")
            .arg(Escape(image), Escape(Text(status, "lastLive", {})));
  body += QStringLiteral("<table>\n");
  body += Row("health", QStringLiteral("Health"),
              stale ? QStringLiteral("LIVE CAPTURE FAILING") : QStringLiteral("OK"),
              stale ? QStringLiteral("bad") : QStringLiteral("ok"));
  body += Row("state", QStringLiteral("Scheduler"), Text(status, "state"));
  body += Row("lastLive", QStringLiteral("Last live image"), when("lastLive", "liveAgeSeconds"));
  body += Row("nextLive", QStringLiteral("Next live image"), Text(status, "nextLive"));
  body += Row("lastHistory", QStringLiteral("Last history image"), when("lastHistory", "historyAgeSeconds"));
  body += Row("nextHistory", QStringLiteral("Next history image"), Text(status, "nextHistory"));
  body += Row("lastError", QStringLiteral("Last error"), Text(status, "lastError"));
  body += QStringLiteral(
      "</table>\n</div>\n<p><a href=\"/stream.mjpg\">Live stream</a> · <a href=\"/health\">Health "
      "(JSON)</a></p>\n");
  return Page(QStringLiteral("Quorvin live"), body, QString::fromUtf8(kStatusScript));
}

QByteArray HistoryPage(const QString& route, const FolderListing& listing, const QString& hour) {
  QString body = QStringLiteral("<h2>%1</h2>\n").arg(Escape(route));
  if (route != QLatin1String("/history/")) body += QStringLiteral("<p><a href=\"../\">Up</a></p>\n");
  if (!listing.folders.isEmpty()) {
    body += QStringLiteral("<ul class=\"days\">\n");
    for (const QString& f : listing.folders)
      body += QStringLiteral("<li><a href=\"%1/\">%2</a></li>\n").arg(Link(f), Escape(f));
    body += QStringLiteral("</ul>\n");
  }
  QMap<QString, std::vector<const FolderEntry*>> byHour;
  for (const FolderEntry& e : listing.images) byHour[e.written.toString(QStringLiteral("HH"))].push_back(&e);
  const bool paged = listing.images.size() > static_cast<size_t>(kPicturesPerPage);
  if (paged) {
    body += QStringLiteral("<p>Hours: ");
    for (auto it = byHour.cbegin(); it != byHour.cend(); ++it)
      body += QStringLiteral("<a href=\"?hour=%1\">%1:00</a> (%2) ").arg(it.key()).arg(it.value().size());
    body += QStringLiteral("</p>\n");
  }
  for (auto it = byHour.cbegin(); it != byHour.cend(); ++it) {
    if (paged && it.key() != hour) continue;
    body += QStringLiteral("<h3>%1:00</h3>\n<div class=\"grid\">\n").arg(it.key());
    for (const FolderEntry* e : it.value()) {
      const QString small = e->thumbnail.isEmpty() ? e->name : e->thumbnail;
      body += QStringLiteral("<a href=\"%1\" title=\"%2\"><img loading=\"lazy\" src=\"%3\" alt=\"%2\"></a>\n")
                  .arg(Link(e->name),
                       Escape(e->name + QLatin1Char(' ') + e->written.toString(QStringLiteral("HH:mm:ss"))),
                       Link(small));
    }
    body += QStringLiteral("</div>\n");
  }
  if (listing.folders.isEmpty() && listing.images.empty())
    body += QStringLiteral("<p>Nothing here yet.</p>\n");
  return Page(QStringLiteral("Quorvin history"), body);
}

QByteArray FilmsPage(const QList<QDate>& days) {
  QString body = QStringLiteral("<h2>Time-lapse films</h2>\n");
  if (days.isEmpty())
    body += QStringLiteral(
        "<p>No film yet: the recorder makes one of the previous day after "
        "midnight when started with --timelapse-daily.</p>\n");
  body += QStringLiteral("<ul class=\"days\">\n");
  for (const QDate& d : days)
    body += QStringLiteral("<li><a href=\"%1\">%2</a></li>\n")
                .arg(d.toString(QStringLiteral("yyyyMMdd")), d.toString(Qt::ISODate));
  body += QStringLiteral("</ul>\n");
  return Page(QStringLiteral("Quorvin time-lapse"), body);
}

QByteArray FilmPage(QDate day) {
  const QString name = day.toString(QStringLiteral("yyyyMMdd"));
  const QString body =
      QStringLiteral(
          "<h2>%1</h2>\n<video controls autoplay muted loop playsinline src=\"/timelapse/%2.webm\">"
          "</video>\n<p><a href=\"/timelapse/%2.webm\" download>Download</a></p>\n")
          .arg(day.toString(Qt::ISODate), name);
  return Page(QStringLiteral("Quorvin time-lapse %1").arg(day.toString(Qt::ISODate)), body);
}

QByteArray MessagePage(int status, const QString& text) {
  return Page(QStringLiteral("Quorvin: %1").arg(status),
              QStringLiteral("<h2>%1</h2>\n<p>%2</p>\n").arg(status).arg(Escape(text)));
}

}  // namespace quorvin
