#include "platform/controls/WebBrowser.h"

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

TEST(WebBrowser, OnlyWebLinksAreFollowed)
{
    EXPECT_TRUE(WebBrowser::isWebAddress(QUrl(QStringLiteral("http://trimora.example/a"))));
    EXPECT_TRUE(WebBrowser::isWebAddress(QUrl(QStringLiteral("https://trimora.example/"))));
    EXPECT_FALSE(WebBrowser::isWebAddress(QUrl(QStringLiteral("file:///etc/passwd"))));
    EXPECT_FALSE(WebBrowser::isWebAddress(QUrl(QStringLiteral("/usr/bin/xterm"))));
    EXPECT_FALSE(WebBrowser::isWebAddress(QUrl(QStringLiteral("smb://host/share"))));
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
