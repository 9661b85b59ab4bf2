#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// One picture of a file's loudness: per stretch of `secondsPerLevel`, the
// body (RMS) and the peak, each from 0 (silent, or kRangeDb or more below the
// file's loudest peak) to 1 (that peak). `decoded` tells the finished picture
// of the whole decoded sound from the sketch and the pictures on the way.
struct LoudnessPicture {
    std::vector<float> levels;
    std::vector<float> peaks;
    double secondsPerLevel = 0;
    bool decoded = false;
};

// Works out a file's loudness overview on a thread of its own and hands it,
// on the window's thread, to `show`. First a sketch, from the frames' side
// information alone, in a few milliseconds; then the thread drops to the
// batch class and decodes the whole file, replacing the sketch stretch by
// stretch with the sound's real level, so the sketch shows at once. The
// decoding takes at most a quarter of one processor while something plays
// and half of one otherwise, so that it never crowds out the sound, the
// window or anybody else's work on a busy machine.
class LoudnessOverview : public QObject {
    Q_OBJECT
public:
    using Show = std::function<void(LoudnessPicture picture)>;
    using SomethingPlays = std::function<bool()>;

    // `somethingPlays` is asked on the window's thread, a few times a second.
    explicit LoudnessOverview(
        Show show, SomethingPlays somethingPlays = {}, QObject* parent = nullptr);
    ~LoudnessOverview() override;
    LoudnessOverview(const LoudnessOverview&) = delete;
    LoudnessOverview& operator=(const LoudnessOverview&) = delete;

    // Drops any overview under way and starts on `path`.
    void start(const QString& path);
    // Drops the overview under way: nothing of it reaches `show` afterwards.
    void stop();

    // Stretches the file is cut into; the slider is far narrower.
    static constexpr int kLevels = 1024;
    // How much quieter than the loudest peak a stretch can be and still show.
    static constexpr float kRangeDb = 48.0f;
    // The decoding's share of one processor.
    static constexpr double kShareWhilePlaying = 0.25;
    static constexpr double kShareOtherwise = 0.5;

private:
    // What a worker shares with the window. The decoding leaves its latest
    // picture here, and the window thread only ever tries that lock: a batch
    // thread on a busy machine can be kept off the processors for a while
    // holding it, and the window must not wait. The sketch, at the usual
    // priority, posts to the owner while there is one.
    struct Mailbox {
        std::mutex mutex;
        LoudnessPicture picture;
        bool fresh = false;
        std::mutex ownerMutex;
        LoudnessOverview* owner = nullptr;
        std::atomic<bool> playing = false;
    };
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
        std::shared_ptr<Mailbox> mailbox;
    };

    void deliver(std::uint64_t generation, LoudnessPicture picture);
    // Shows the decoding's latest picture, if it can be had at once.
    void collect();

    Show show_;
    SomethingPlays somethingPlays_;
    std::uint64_t generation_ = 0;
    Worker current_;
    QTimer collector_;
    // Once the decoding's pictures show, a late sketch must not cover them.
    bool showingDecoded_ = false;
};
