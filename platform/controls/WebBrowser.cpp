#include "platform/controls/WebBrowser.h"

#include <QDesktopServices>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextCursor>

const QString WebBrowser::kNotLoaded = QStringLiteral("The information page could not be loaded.");

namespace {

// A server that accepts the connection and then says nothing must not keep
// the request open for the rest of the run.
constexpr int kTransferTimeoutMs = 15000;

} // namespace

WebBrowser::WebBrowser(QWidget* parent)
    : QTextBrowser(parent)
{
    setTabChangesFocus(true);
    // A link on the page opens in the desktop's browser; only web addresses
    // are followed, so a page cannot make a click open a local file or program.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& link) {
        if (isWebAddress(link))
            QDesktopServices::openUrl(link);
    });
}

bool WebBrowser::isWebAddress(const QUrl& url)
{
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https");
}

// Requests still on their way must not call back into a panel being torn down.
WebBrowser::~WebBrowser()
{
    alive_.reset();
    const auto replies = network_.findChildren<QNetworkReply*>();
    for (QNetworkReply* reply : replies)
        reply->disconnect();
}

void WebBrowser::setFetcher(Fetcher fetcher)
{
    fetcher_ = std::move(fetcher);
}

void WebBrowser::Navigate(const QString& url)
{
    const std::weak_ptr<bool> alive = alive_;
    auto done = [this, alive](std::optional<QString> page) {
        if (!alive.expired())
            showPage(page);
    };
    const QUrl address(url);
    if (fetcher_)
        fetcher_(address, done);
    else
        fetchOverNetwork(address, done);
}

void WebBrowser::fetchOverNetwork(const QUrl& url, std::function<void(std::optional<QString>)> done)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply* reply = network_.get(request);
    connect(reply, &QNetworkReply::finished, reply, [reply, done = std::move(done)] {
        reply->deleteLater();
        if (reply->error() != QNetworkReply::NoError)
            done(std::nullopt);
        else
            done(QString::fromUtf8(reply->readAll()));
    });
}

void WebBrowser::showPage(const std::optional<QString>& page)
{
    if (page)
        setHtml(*page);
    else
        setPlainText(kNotLoaded);
    putNoticeFirst();
}

void WebBrowser::showNotice(const QString& line)
{
    notice_ = line;
    putNoticeFirst();
}

void WebBrowser::putNoticeFirst()
{
    if (notice_.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(notice_);
    cursor.insertBlock();
}
