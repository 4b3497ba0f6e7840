#pragma once

#include "stats/display.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plimo {

// history.csv: one line per sample, after this header.
inline constexpr std::string_view kHistoryFileName = "history.csv";
inline constexpr std::string_view kHistoryHeader = "time,views,visitors,views_change,visitors_change";
// At most one sample per slot of this many seconds; the newest in a slot replaces the one before.
inline constexpr std::int64_t kHistorySlotSeconds = 5 * 60;
inline constexpr std::int64_t kHistoryKeptSeconds = 90 * 24 * 60 * 60;
// Older samples are dropped by rewriting the file, at most once a day: between rewrites the file only grows.
inline constexpr std::int64_t kHistoryTrimSlackSeconds = 24 * 60 * 60;
// Only the end of a larger file is read: 90 days take about 1.3 MiB.
inline constexpr std::uintmax_t kHistoryReadLimit = 16u * 1024u * 1024u;

// The four values at one moment; yesterday at the same time is each value minus its change.
struct HistorySample {
    std::int64_t time = 0;       // seconds since the epoch
    std::int32_t utcOffset = 0;  // seconds east of UTC of the local clock that took it
    std::int64_t views = 0;
    std::int64_t visitors = 0;
    std::int64_t viewsChange = 0;
    std::int64_t visitorsChange = 0;

    bool operator==(const HistorySample&) const = default;
};

// "2026-12-08T14:05:00+03:00,12345,1234,56,-7", without the line end.
std::string FormatHistoryLine(const HistorySample& sample);
// Nothing for a header, a cut or otherwise broken line.
std::optional<HistorySample> ParseHistoryLine(std::string_view line);
// A file's text: its samples oldest first, one per slot (the last line of a slot wins); broken lines skipped.
std::vector<HistorySample> ParseHistory(std::string_view text);
// The header and one line per sample, each ended by a line feed.
std::string FormatHistory(const std::vector<HistorySample>& samples);

// The sample a display step's decisions give, when all four values are there as integers.
std::optional<HistorySample> SampleFromDisplay(const DisplayUpdate& update, std::int64_t time, std::int32_t utcOffset);

// Today and yesterday by local hour: the last value known in each hour (nothing where none is).
struct HourlyValues {
    std::array<std::optional<std::int64_t>, 24> views;
    std::array<std::optional<std::int64_t>, 24> visitors;
    bool operator==(const HourlyValues&) const = default;
};
struct TodayAndYesterday {
    HourlyValues today;
    HourlyValues yesterday;
};
// The days begin at the local midnights given (seconds since the epoch). Yesterday's hour comes from today's
// sample in the same hour (value minus change) where there is one, else from a sample taken yesterday.
TodayAndYesterday ChartDays(const std::vector<HistorySample>& samples, std::int64_t todayStart,
                            std::int64_t yesterdayStart);

// history.csv on disk and its samples in memory. The file is read once, appended a line per new slot, its last
// line written over while its slot lasts, and rewritten whole only to drop old samples or to recover a failed write.
class HistoryFile {
public:
    explicit HistoryFile(std::filesystem::path path) : m_path(std::move(path)) {}

    const std::filesystem::path& path() const { return m_path; }
    // The samples, oldest first; the file is read at the first call. A missing or unreadable file is an empty
    // history.
    const std::vector<HistorySample>& samples();
    // Keeps the sample; true when the file holds it too. A file that exists but could not be read is never
    // written (its samples would be lost): its history stays in memory until a later add can read it.
    bool add(const HistorySample& sample);
    // Samples are waiting for the file: it could not be read, or a write failed (they go in at a later add).
    bool behind() const { return !m_loaded || m_needsRewrite; }

private:
    bool load();
    bool rewrite();
    bool writeLast(bool sameSlot);

    std::filesystem::path m_path;
    std::vector<HistorySample> m_samples;
    bool m_loaded = false;
    bool m_needsRewrite = false;
    // Where the file's last line, written by us, starts, and the size we left the file at.
    std::optional<std::uintmax_t> m_lastLineOffset;
    std::uintmax_t m_size = 0;
};

}  // namespace plimo
