#pragma once

#include <QNetworkAccessManager>
#include <QTextBrowser>
#include <functional>
#include <optional>

// The information panel: fetches one page over http and shows it as rich
// text, or a short line when it cannot be loaded. Never blocks.
class WebBrowser : public QTextBrowser {
    Q_OBJECT
public:
    // Fetches a page and calls back with its text, or nothing on failure.
    using Fetcher = std::function<void(const QUrl& url,
                                       std::function<void(std::optional<QString> page)> done)>;

    explicit WebBrowser(QWidget* parent = nullptr);

    void Navigate(const QString& url);

    // Tests replace the network with a scripted fetch.
    void setFetcher(Fetcher fetcher);

private:
    void showPage(const std::optional<QString>& page);

    QNetworkAccessManager network_;
    Fetcher fetcher_;
};
