#include "platform/controls/WebBrowser.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Done = std::function<void(std::optional<QString>)>;

// A fetch that answers only when the test says so, as the network would.
struct HeldFetch {
    std::vector<QUrl> urls;
    Done done;
    WebBrowser::Fetcher fetcher()
    {
        return [this](const QUrl& url, Done finish) {
            urls.push_back(url);
            done = std::move(finish);
        };
    }
};

// The page, then a failed load, then a page arriving after the panel is gone.
TEST(WebBrowser, NavigateReturnsAtOnceAndShowsWhatArrivesWhileThePanelLives)
{
    const QString url = QStringLiteral("http://trimora.example/info.php?n=trimora");
    HeldFetch fetch;
    auto browser = std::make_unique<WebBrowser>();
    browser->setFetcher(fetch.fetcher());
    browser->Navigate(url);
    ASSERT_EQ(fetch.urls.size(), 1u);
    EXPECT_EQ(fetch.urls[0], QUrl(url));
    EXPECT_EQ(browser->toPlainText(), QString());

    fetch.done(QStringLiteral("<html><body><h1>News</h1><p>Version <b>2</b></p></body></html>"));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("News")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Version 2")));
    EXPECT_FALSE(browser->toPlainText().contains(QStringLiteral("<b>")));

    browser->Navigate(url);
    fetch.done(std::nullopt);
    EXPECT_EQ(browser->toPlainText(), WebBrowser::kNotLoaded);

    browser->Navigate(url);
    browser.reset();
    fetch.done(QStringLiteral("late"));
}

// Catches what a click on the page would hand to the desktop, so no browser
// or file manager starts during the test.
class OpenedLinks : public QObject {
    Q_OBJECT
public:
    explicit OpenedLinks(const QStringList& schemes)
        : schemes_(schemes)
    {
        for (const QString& scheme : schemes_)
            QDesktopServices::setUrlHandler(scheme, this, "opened");
    }
    ~OpenedLinks() override
    {
        for (const QString& scheme : schemes_)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> urls;
public slots:
    void opened(const QUrl& url) { urls.push_back(url); }

private:
    QStringList schemes_;
};

TEST(WebBrowser, OnlyWebLinksOnThePageAreOpened)
{
    OpenedLinks opened({ QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("file"),
        QStringLiteral("smb") });
    WebBrowser browser;
    const QList<QUrl> clicks = { QUrl(QStringLiteral("file:///etc/passwd")),
        QUrl(QStringLiteral("http://trimora.example/a")), QUrl(QStringLiteral("smb://host/share")),
        QUrl(QStringLiteral("/usr/bin/xterm")), QUrl(QStringLiteral("https://trimora.example/")) };
    for (const QUrl& link : clicks)
        emit browser.anchorClicked(link);
    EXPECT_EQ(opened.urls, (QList<QUrl> { clicks[1], clicks[4] }));
}

// The built-in fetch, exercised on local files so no test needs a network.
QString loadWithoutFetcher(const QUrl& url)
{
    WebBrowser browser;
    browser.Navigate(url.toString());
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!browser.toPlainText().isEmpty())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return browser.toPlainText();
}

TEST(WebBrowser, BuiltInFetchShowsAPageOrTheShortLine)
{
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("info.html"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<p>Hello from the <i>info</i> page</p>");
    file.close();

    EXPECT_EQ(
        loadWithoutFetcher(QUrl::fromLocalFile(page)), QStringLiteral("Hello from the info page"));
    EXPECT_EQ(loadWithoutFetcher(QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.html")))),
        WebBrowser::kNotLoaded);
}

} // namespace

#include "WebBrowserTest.moc"
