#include "editor/LoudnessOverview.h"

#include "editor/ProcessorShare.h"

#include "platform/mp3/BackgroundPriority.h"
#include "platform/mp3/LoudnessDecode.h"
#include "platform/mp3/LoudnessScan.h"
#include "platform/runtime/FileNameBytes.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <pthread.h>

namespace {

using Clock = std::chrono::steady_clock;
// Often enough to look progressive, rarely enough to cost the window nothing.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
constexpr int kCollectIntervalMs = 50;
// Decoded stretches between looks at the clock and at the decoding's share.
constexpr int kLevelsPerProgress = 1;

float toLevel(float db, float floorDb)
{
    return std::clamp((db - floorDb) / LoudnessOverview::kRangeDb, 0.0f, 1.0f);
}

// The sketch's levels relative to its usual loud stretches rather than its
// peaks, since a frame's gain jumps with every attack: the stretch louder
// than three quarters of the file stands at the top.
std::vector<float> sketchLevels(const std::vector<float>& levelsDb)
{
    std::vector<float> levels(levelsDb.size(), 0.0f);
    if (levelsDb.empty())
        return levels;
    std::vector<float> sorted = levelsDb;
    const auto reference = sorted.begin() + std::ptrdiff_t(sorted.size() * 3 / 4);
    std::nth_element(sorted.begin(), reference, sorted.end());
    if (*reference <= mp3::kSilentDb)
        return levels;
    const float floor = *reference - LoudnessOverview::kRangeDb;
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = toLevel(levelsDb[i], floor);
    return levels;
}

// The decoded stretches over the sketch: from the loudest peak decoded so far
// down kRangeDb, so a stretch 15 dB quieter stands a third lower and silence
// stays empty. The sketch fills the stretches not decoded yet.
LoudnessPicture pictureOf(const mp3::DecodedLoudness& decoded, const std::vector<float>& sketch)
{
    LoudnessPicture picture;
    picture.secondsPerLevel = decoded.secondsPerLevel;
    picture.decoded = decoded.complete;
    const float loudest = decoded.peakDb.empty()
        ? mp3::kSilentDb
        : *std::max_element(decoded.peakDb.begin(), decoded.peakDb.end());
    const float floorDb = loudest - LoudnessOverview::kRangeDb;
    const std::size_t count
        = decoded.complete ? decoded.rmsDb.size() : std::max(decoded.rmsDb.size(), sketch.size());
    picture.levels.resize(count, 0.0f);
    picture.peaks.resize(count, 0.0f);
    for (std::size_t i = 0; i < count; ++i) {
        if (i < decoded.rmsDb.size()) {
            picture.levels[i] = loudest > mp3::kSilentDb ? toLevel(decoded.rmsDb[i], floorDb) : 0;
            picture.peaks[i] = loudest > mp3::kSilentDb ? toLevel(decoded.peakDb[i], floorDb) : 0;
        } else {
            picture.levels[i] = sketch[i];
        }
    }
    return picture;
}

// The decoding keeps to its share of a processor by sleeping (see
// ProcessorShare), which holds against every other program, whatever its
// session. Beside the program's own threads it stands back, but not to the
// lowest priority: there a busy machine left it so little that it took about
// a second to end after a stop, and the program cannot end before each of its
// threads has run once more.
void yieldToEveryone()
{
    mp3::standBackForInteractiveThreads();
}

} // namespace

LoudnessOverview::LoudnessOverview(Show show, SomethingPlays somethingPlays, QObject* parent)
    : QObject(parent)
    , show_(std::move(show))
    , somethingPlays_(std::move(somethingPlays))
{
    collector_.setInterval(kCollectIntervalMs);
    connect(&collector_, &QTimer::timeout, this, &LoudnessOverview::collect);
}

LoudnessOverview::~LoudnessOverview()
{
    stop();
}

// A stopped worker is let go rather than waited for: on a busy machine it
// may wait for a processor before it sees the request, and it needs
// nothing of this object once its owner is gone.
void LoudnessOverview::stop()
{
    ++generation_;
    collector_.stop();
    showingDecoded_ = false;
    if (!current_.thread.joinable())
        return;
    current_.thread.request_stop();
    {
        const std::lock_guard lock(current_.mailbox->ownerMutex);
        current_.mailbox->owner = nullptr;
    }
    current_.thread.detach();
    current_ = {};
}

void LoudnessOverview::start(const QString& path)
{
    stop();

    const std::uint64_t generation = generation_;
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto mailbox = std::make_shared<Mailbox>();
    mailbox->owner = this;
    mailbox->playing = somethingPlays_ && somethingPlays_();
    current_.finished = finished;
    current_.mailbox = mailbox;
    collector_.start();
    current_.thread = std::jthread(
        [generation, finished, mailbox, file = rt::encodeFileName(path).toStdString()](
            std::stop_token stop) {
            pthread_setname_np(pthread_self(), "overview");
            auto lastShown = Clock::now();
            // The sketch goes straight to the window, while its owner lasts.
            const auto post = [&](LoudnessPicture picture) {
                lastShown = Clock::now();
                const std::lock_guard lock(mailbox->ownerMutex);
                if (LoudnessOverview* owner = mailbox->owner)
                    QMetaObject::invokeMethod(
                        owner,
                        [owner, generation, picture = std::move(picture)]() mutable {
                            owner->deliver(generation, std::move(picture));
                        },
                        Qt::QueuedConnection);
            };
            const auto leave = [&](LoudnessPicture picture) {
                lastShown = Clock::now();
                const std::lock_guard lock(mailbox->mutex);
                mailbox->picture = std::move(picture);
                mailbox->fresh = true;
            };
            const auto due = [&] { return Clock::now() - lastShown >= kProgressInterval; };
            const auto sketchPicture = [](const mp3::LoudnessProfile& profile) {
                return LoudnessPicture { sketchLevels(profile.levelsDb), {},
                    profile.secondsPerLevel, false };
            };
            const auto sketch = mp3::scanLoudness(
                file, kLevels,
                [&](const mp3::LoudnessProfile& sofar) {
                    if (due())
                        post(sketchPicture(sofar));
                },
                stop);
            if (sketch && !stop.stop_requested()) {
                const std::vector<float> sketched = sketchLevels(sketch->levelsDb);
                post(sketchPicture(*sketch));
                yieldToEveryone();
                ProcessorShare share;
                const auto decoded = mp3::decodeLoudness(
                    file, sketch->secondsPerLevel, kLevelsPerProgress,
                    [&](const mp3::DecodedLoudness& sofar) {
                        if (due())
                            leave(pictureOf(sofar, sketched));
                        share.keepTo(mailbox->playing ? kShareWhilePlaying : kShareOtherwise, stop);
                    },
                    stop);
                if (decoded && !stop.stop_requested())
                    leave(pictureOf(*decoded, sketched));
            }
            finished->store(true);
        });
}

void LoudnessOverview::collect()
{
    if (!current_.mailbox)
        return;
    current_.mailbox->playing = somethingPlays_ && somethingPlays_();
    const bool workerDone = current_.finished->load();
    std::unique_lock lock(current_.mailbox->mutex, std::try_to_lock);
    if (!lock.owns_lock())
        return;
    // A copy, made here: freeing the worker's memory on this thread would
    // take the lock of its allocator's arena, which the worker may hold.
    std::optional<LoudnessPicture> picture;
    if (current_.mailbox->fresh)
        picture = current_.mailbox->picture;
    current_.mailbox->fresh = false;
    lock.unlock();
    if ((picture && picture->decoded) || workerDone)
        collector_.stop();
    if (!picture)
        return;
    showingDecoded_ = true;
    if (show_)
        show_(std::move(*picture));
}

void LoudnessOverview::deliver(std::uint64_t generation, LoudnessPicture picture)
{
    if (generation == generation_ && !showingDecoded_ && show_)
        show_(std::move(picture));
}
