#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

// Works out a file's loudness overview on a thread of its own and hands it,
// on the window's thread, to `show`: first in parts as the walk goes on, then
// whole. Levels run from 0 (silent, or kRangeDb or more below the loud parts
// found so far) to 1 (as loud as those).
class LoudnessOverview : public QObject {
    Q_OBJECT
public:
    using Show = std::function<void(std::vector<float> levels, double secondsPerLevel)>;

    explicit LoudnessOverview(Show show, QObject* parent = nullptr);
    ~LoudnessOverview() override;
    LoudnessOverview(const LoudnessOverview&) = delete;
    LoudnessOverview& operator=(const LoudnessOverview&) = delete;

    // Drops any overview under way and starts on `path`.
    void start(const QString& path);
    // Drops the overview under way: nothing of it reaches `show` afterwards.
    void stop();

    // Stretches the file is cut into; the slider is far narrower.
    static constexpr int kLevels = 1024;
    // How much quieter than the loudest stretch a stretch can be and still show.
    static constexpr float kRangeDb = 45.0f;

private:
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void deliver(std::uint64_t generation, std::vector<float> levels, double secondsPerLevel);

    Show show_;
    std::uint64_t generation_ = 0;
    Worker current_;
    // Stopped walks that may still be finishing a read; joined once finished,
    // so that a slow disk never holds up the window.
    std::vector<Worker> stopping_;
};
