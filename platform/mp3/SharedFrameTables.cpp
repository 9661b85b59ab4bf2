#include "platform/mp3/SharedFrameTables.h"

#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace mp3 {

namespace {

    struct Shared {
        FileIdentity identity;
        std::weak_ptr<const FrameTable> table;
    };

    struct Tables {
        std::mutex mutex;
        // Newest last: a file may be open on more than one device.
        std::map<std::string, std::vector<Shared>> byPath;
    };

    Tables& tables()
    {
        static Tables instance;
        return instance;
    }

    // One key for every spelling of a path to the same file.
    std::string keyOf(const std::filesystem::path& path)
    {
        std::error_code error;
        const auto canonical = std::filesystem::weakly_canonical(path, error);
        return error ? path.lexically_normal().string() : canonical.string();
    }

} // namespace

std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileIdentity { std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
        std::int64_t(status.st_size),
        std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec };
}

void shareFrameTable(const std::filesystem::path& path, const FileIdentity& walked,
    const std::shared_ptr<const FrameTable>& table)
{
    const std::string key = keyOf(path);
    Tables& shared = tables();
    std::lock_guard lock(shared.mutex);
    for (auto entry = shared.byPath.begin(); entry != shared.byPath.end();) {
        std::erase_if(entry->second, [](const Shared& one) { return one.table.expired(); });
        entry = entry->second.empty() ? shared.byPath.erase(entry) : std::next(entry);
    }
    shared.byPath[key].push_back({ walked, table });
}

std::shared_ptr<const FrameTable> sharedFrameTable(const std::filesystem::path& path)
{
    const std::string key = keyOf(path);
    const auto now = identityOf(path);
    if (!now)
        return nullptr;
    Tables& shared = tables();
    std::lock_guard lock(shared.mutex);
    const auto found = shared.byPath.find(key);
    if (found == shared.byPath.end())
        return nullptr;
    for (auto one = found->second.rbegin(); one != found->second.rend(); ++one)
        if (one->identity == *now)
            if (auto table = one->table.lock())
                return table;
    return nullptr;
}

} // namespace mp3
