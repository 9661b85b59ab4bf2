#include "editor/LoudnessOverview.h"

#include "platform/mp3/LoudnessScan.h"

#include <QFile>
#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
// Often enough to look progressive, rarely enough to cost the window nothing.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

// Levels relative to the file's usual loud stretches rather than its peaks, so
// that a few attacks do not squash the rest: the stretch louder than three
// quarters of the file stands at the top.
std::vector<float> displayLevels(const std::vector<float>& levelsDb)
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
        levels[i] = std::clamp((levelsDb[i] - floor) / LoudnessOverview::kRangeDb, 0.0f, 1.0f);
    return levels;
}

} // namespace

LoudnessOverview::LoudnessOverview(Show show, QObject* parent)
    : QObject(parent)
    , show_(std::move(show))
{
}

LoudnessOverview::~LoudnessOverview()
{
    current_.thread.request_stop();
    for (auto& worker : stopping_)
        worker.thread.request_stop();
}

void LoudnessOverview::stop()
{
    ++generation_;
    if (!current_.thread.joinable())
        return;
    current_.thread.request_stop();
    stopping_.push_back(std::move(current_));
    current_ = {};
}

void LoudnessOverview::start(const QString& path)
{
    stop();
    std::erase_if(stopping_, [](const Worker& worker) { return worker.finished->load(); });

    const std::uint64_t generation = generation_;
    auto finished = std::make_shared<std::atomic<bool>>(false);
    current_.finished = finished;
    current_.thread
        = std::jthread([this, generation, finished, file = QFile::encodeName(path).toStdString()](
                           std::stop_token stop) {
              auto lastShown = Clock::now();
              const auto post = [&](const mp3::LoudnessProfile& profile) {
                  QMetaObject::invokeMethod(
                      this,
                      [this, generation, levels = displayLevels(profile.levelsDb),
                          seconds = profile.secondsPerLevel]() mutable {
                          deliver(generation, std::move(levels), seconds);
                      },
                      Qt::QueuedConnection);
              };
              const auto profile = mp3::scanLoudness(
                  file, kLevels,
                  [&](const mp3::LoudnessProfile& sofar) {
                      if (Clock::now() - lastShown < kProgressInterval)
                          return;
                      lastShown = Clock::now();
                      post(sofar);
                  },
                  stop);
              if (profile && !stop.stop_requested())
                  post(*profile);
              finished->store(true);
          });
}

void LoudnessOverview::deliver(
    std::uint64_t generation, std::vector<float> levels, double secondsPerLevel)
{
    if (generation == generation_ && show_)
        show_(std::move(levels), secondsPerLevel);
}
