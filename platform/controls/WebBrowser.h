#pragma once

#include <QNetworkAccessManager>
#include <QTextBrowser>
#include <functional>
#include <memory>
#include <optional>

// The information panel: fetches one page over http and shows it as rich
// text, or a short line when it cannot be loaded. Never blocks: the page
// arrives through the event loop whenever it comes.
class WebBrowser : public QTextBrowser {
    Q_OBJECT
public:
    // Fetches a page and calls back with its text, or nothing on failure.
    using Fetcher = std::function<void(
        const QUrl& url, std::function<void(std::optional<QString> page)> done)>;

    explicit WebBrowser(QWidget* parent = nullptr);
    ~WebBrowser() override;

    void Navigate(const QString& url);
    // A line of the program's own above the page, now and above every page
    // shown later.
    void showNotice(const QString& line);

    // Tests replace the network with a scripted fetch.
    void setFetcher(Fetcher fetcher);

    // Whether a link may be handed to the desktop's browser.
    static bool isWebAddress(const QUrl& url);

    // What the panel shows for a page that could not be loaded.
    static const QString kNotLoaded;

private:
    void fetchOverNetwork(const QUrl& url, std::function<void(std::optional<QString>)> done);
    void showPage(const std::optional<QString>& page);
    void putNoticeFirst();

    QNetworkAccessManager network_;
    Fetcher fetcher_;
    QString notice_;
    // Lives exactly as long as the panel; a page that arrives later is dropped.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
