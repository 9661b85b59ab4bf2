#include "platform/mp3/SharedWalks.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace mp3 {

namespace {

    // What the walks of open files found, by the identity of the file walked;
    // only weak references, so an entry lasts as long as its owner keeps it.
    // Newest last: a file may be open on more than one device. The caller
    // holds the registry's lock.
    template <class Found> class WalkResults {
    public:
        void share(const FileIdentity& walked, const std::shared_ptr<const Found>& found)
        {
            std::erase_if(entries_, [](const auto& one) { return one.second.expired(); });
            entries_.emplace_back(walked, found);
        }

        std::shared_ptr<const Found> find(const FileIdentity& identity) const
        {
            for (auto one = entries_.rbegin(); one != entries_.rend(); ++one)
                if (one->first == identity)
                    if (auto found = one->second.lock())
                        return found;
            return nullptr;
        }

    private:
        std::vector<std::pair<FileIdentity, std::weak_ptr<const Found>>> entries_;
    };

    struct Tables {
        std::mutex mutex;
        WalkResults<FrameTable> shared;
        WalkResults<FrameLoudness> loudness;
        // One entry per walk under way; a file may be walked twice at once.
        std::vector<FileIdentity> pending;
        std::condition_variable walkEnded;
    };

    Tables& tables()
    {
        static Tables instance;
        return instance;
    }

} // namespace

void shareFrameTable(const FileIdentity& walked, const std::shared_ptr<const FrameTable>& table)
{
    Tables& registry = tables();
    std::lock_guard lock(registry.mutex);
    registry.shared.share(walked, table);
}

std::shared_ptr<const FrameTable> sharedFrameTable(const std::filesystem::path& path)
{
    const auto now = identityOf(path);
    return now ? sharedFrameTable(*now) : nullptr;
}

std::shared_ptr<const FrameTable> sharedFrameTable(const FileIdentity& identity)
{
    Tables& registry = tables();
    std::lock_guard lock(registry.mutex);
    return registry.shared.find(identity);
}

void shareFrameLoudness(
    const FileIdentity& walked, const std::shared_ptr<const FrameLoudness>& loudness)
{
    Tables& registry = tables();
    std::lock_guard lock(registry.mutex);
    registry.loudness.share(walked, loudness);
}

std::shared_ptr<const FrameLoudness> sharedFrameLoudness(const FileIdentity& identity)
{
    Tables& registry = tables();
    std::lock_guard lock(registry.mutex);
    return registry.loudness.find(identity);
}

PendingWalk::PendingWalk(const FileIdentity& identity)
    : identity_(identity)
{
    Tables& registry = tables();
    std::lock_guard lock(registry.mutex);
    registry.pending.push_back(identity);
}

PendingWalk::~PendingWalk()
{
    Tables& registry = tables();
    {
        std::lock_guard lock(registry.mutex);
        registry.pending.erase(
            std::find(registry.pending.begin(), registry.pending.end(), identity_));
    }
    registry.walkEnded.notify_all();
}

bool waitForPendingWalk(const FileIdentity& identity, std::chrono::milliseconds most)
{
    Tables& registry = tables();
    std::unique_lock lock(registry.mutex);
    return registry.walkEnded.wait_for(lock, most, [&] {
        return std::find(registry.pending.begin(), registry.pending.end(), identity)
            == registry.pending.end();
    });
}

} // namespace mp3
