#include "stats/history.h"

#include "platform/atomic_file.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace plimo {
namespace {

constexpr std::int64_t kDaySeconds = 24 * 60 * 60;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

std::int64_t SlotOf(const HistorySample& sample) {
    return FloorDiv(sample.time, kHistorySlotSeconds);
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's civil-date algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = FloorDiv(y, 400);
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

void AppendDigits(std::string& out, std::int64_t value, int width) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (auto length = result.ptr - buffer; length < width; ++length) {
        out += '0';
    }
    out.append(buffer, result.ptr);
}

// Exactly `width` digits at `text[at]`.
std::optional<unsigned> FixedDigits(std::string_view text, std::size_t at, std::size_t width) {
    if (at + width > text.size()) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return value;
}

// "2026-12-08T14:05:00+03:00" (or "...Z"): seconds since the epoch and the offset.
std::optional<std::pair<std::int64_t, std::int32_t>> ParseTime(std::string_view text) {
    const auto year = FixedDigits(text, 0, 4);
    const auto month = FixedDigits(text, 5, 2);
    const auto day = FixedDigits(text, 8, 2);
    const auto hour = FixedDigits(text, 11, 2);
    const auto minute = FixedDigits(text, 14, 2);
    const auto second = FixedDigits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || *month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 ||
        *minute > 59 || *second > 60) {
        return std::nullopt;
    }
    std::int32_t offset = 0;
    if (text.size() == 20 && text[19] == 'Z') {
        offset = 0;
    } else {
        const auto offsetHours = FixedDigits(text, 20, 2);
        const auto offsetMinutes = FixedDigits(text, 23, 2);
        if (text.size() != 25 || (text[19] != '+' && text[19] != '-') || text[22] != ':' || !offsetHours ||
            !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59) {
            return std::nullopt;
        }
        offset = static_cast<std::int32_t>(*offsetHours * 3600 + *offsetMinutes * 60) * (text[19] == '-' ? -1 : 1);
    }
    const std::int64_t local = DaysFromCivil(*year, *month, *day) * kDaySeconds + *hour * 3600 + *minute * 60 + *second;
    return std::pair{local - offset, offset};
}

// A plain decimal integer at the start of rest, up to the next comma (which it takes too) or, for the last field,
// the end; signed only where allowed. At most 18 digits, so that no value overflows.
std::optional<std::int64_t> ReadNumber(std::string_view& rest, bool signedValue, bool last) {
    std::size_t i = 0;
    bool negative = false;
    if (signedValue && !rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        ++i;
    }
    const std::size_t first = i;
    std::int64_t value = 0;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && i - first < 18; ++i) {
        value = value * 10 + (rest[i] - '0');
    }
    if (i == first || (last ? i != rest.size() : i >= rest.size() || rest[i] != ',')) {
        return std::nullopt;
    }
    rest.remove_prefix(last ? i : i + 1);
    return negative ? -value : value;
}

// A value as the page writes it ("12,345"): digits and digit-group commas only.
std::optional<std::int64_t> PageCount(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    std::string digits;
    for (const char c : *text) {
        if (c != ',') {
            digits += c;
        }
    }
    std::string_view rest(digits);
    return ReadNumber(rest, false, true);
}

std::optional<std::int64_t> SignedChange(const std::optional<std::string>& magnitude, Arrow arrow) {
    const auto value = PageCount(magnitude);
    if (!value || arrow == Arrow::Unchanged) {
        return std::nullopt;
    }
    return arrow == Arrow::Down ? -*value : *value;
}

enum class Placed { AtEnd, OverLast, Elsewhere };

// Puts the sample in its slot: after the others, over the one of its slot, or in time order (a clock set back).
Placed Place(std::vector<HistorySample>& samples, const HistorySample& sample) {
    const std::int64_t slot = SlotOf(sample);
    if (samples.empty() || SlotOf(samples.back()) < slot) {
        samples.push_back(sample);
        return Placed::AtEnd;
    }
    if (SlotOf(samples.back()) == slot) {
        samples.back() = sample;
        return Placed::OverLast;
    }
    const auto at = std::lower_bound(samples.begin(), samples.end(), slot,
                                     [](const HistorySample& s, std::int64_t value) { return SlotOf(s) < value; });
    if (at != samples.end() && SlotOf(*at) == slot) {
        *at = sample;
    } else {
        samples.insert(at, sample);
    }
    return Placed::Elsewhere;
}

}  // namespace

std::string FormatHistoryLine(const HistorySample& sample) {
    const std::int64_t local = sample.time + sample.utcOffset;
    const std::int64_t days = FloorDiv(local, kDaySeconds);
    const std::int64_t secondOfDay = local - days * kDaySeconds;
    const CivilDate date = CivilFromDays(days);
    std::string line;
    line.reserve(64);
    AppendDigits(line, date.year, 4);
    line += '-';
    AppendDigits(line, date.month, 2);
    line += '-';
    AppendDigits(line, date.day, 2);
    line += 'T';
    AppendDigits(line, secondOfDay / 3600, 2);
    line += ':';
    AppendDigits(line, secondOfDay / 60 % 60, 2);
    line += ':';
    AppendDigits(line, secondOfDay % 60, 2);
    line += sample.utcOffset < 0 ? '-' : '+';
    const std::int32_t offset = sample.utcOffset < 0 ? -sample.utcOffset : sample.utcOffset;
    AppendDigits(line, offset / 3600, 2);
    line += ':';
    AppendDigits(line, offset / 60 % 60, 2);
    for (const std::int64_t value : {sample.views, sample.visitors, sample.viewsChange, sample.visitorsChange}) {
        line += ',';
        AppendDigits(line, value, 1);
    }
    return line;
}

std::optional<HistorySample> ParseHistoryLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const auto time = ParseTime(line.substr(0, comma));
    std::string_view rest = line.substr(comma + 1);
    const auto views = ReadNumber(rest, false, false);
    const auto visitors = views ? ReadNumber(rest, false, false) : std::nullopt;
    const auto viewsChange = visitors ? ReadNumber(rest, true, false) : std::nullopt;
    const auto visitorsChange = viewsChange ? ReadNumber(rest, true, true) : std::nullopt;
    if (!time || !visitorsChange) {
        return std::nullopt;
    }
    return HistorySample{time->first, time->second, *views, *visitors, *viewsChange, *visitorsChange};
}

std::vector<HistorySample> ParseHistory(std::string_view text) {
    std::vector<HistorySample> samples;
    samples.reserve(text.size() / 40);
    // A last line without its line feed is taken as cut: "…,-70" cut short reads "…,-7", a wrong sample.
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        if (const auto sample = ParseHistoryLine(text.substr(0, end))) {
            Place(samples, *sample);
        }
        text.remove_prefix(end + 1);
    }
    return samples;
}

std::string FormatHistory(const std::vector<HistorySample>& samples) {
    std::string text;
    text.reserve(kHistoryHeader.size() + 1 + samples.size() * 48);
    text += kHistoryHeader;
    text += '\n';
    for (const HistorySample& sample : samples) {
        text += FormatHistoryLine(sample);
        text += '\n';
    }
    return text;
}

std::optional<HistorySample> SampleFromDisplay(const DisplayUpdate& update, std::int64_t time, std::int32_t utcOffset) {
    const auto views = PageCount(update.views);
    const auto visitors = PageCount(update.visitors);
    const auto viewsChange = SignedChange(update.viewsChange, update.viewsArrow);
    const auto visitorsChange = SignedChange(update.visitorsChange, update.visitorsArrow);
    if (!views || !visitors || !viewsChange || !visitorsChange) {
        return std::nullopt;
    }
    return HistorySample{time, utcOffset, *views, *visitors, *viewsChange, *visitorsChange};
}

TodayAndYesterday ChartDays(const std::vector<HistorySample>& samples, std::int64_t todayStart,
                            std::int64_t yesterdayStart) {
    TodayAndYesterday days;
    HourlyValues derived;
    // A day of 25 hours (the clocks set back) puts its last hour with the one before.
    const auto hourOf = [](std::int64_t time, std::int64_t start) -> std::optional<std::size_t> {
        if (time < start || time >= start + kDaySeconds + 3600) {
            return std::nullopt;
        }
        return std::min<std::size_t>(static_cast<std::size_t>((time - start) / 3600), 23);
    };
    for (const HistorySample& sample : samples) {
        if (sample.time >= todayStart) {
            if (const auto hour = hourOf(sample.time, todayStart)) {
                days.today.views[*hour] = sample.views;
                days.today.visitors[*hour] = sample.visitors;
                derived.views[*hour] = sample.views - sample.viewsChange;
                derived.visitors[*hour] = sample.visitors - sample.visitorsChange;
            }
        } else if (const auto hour = hourOf(sample.time, yesterdayStart)) {
            days.yesterday.views[*hour] = sample.views;
            days.yesterday.visitors[*hour] = sample.visitors;
        }
    }
    for (std::size_t hour = 0; hour < 24; ++hour) {
        if (derived.views[hour]) {
            days.yesterday.views[hour] = derived.views[hour];
            days.yesterday.visitors[hour] = derived.visitors[hour];
        }
    }
    return days;
}

const std::vector<HistorySample>& HistoryFile::samples() {
    if (!m_loaded) {
        load();
    }
    return m_samples;
}

bool HistoryFile::load() {
    std::error_code error;
    const bool exists = std::filesystem::exists(m_path, error);
    if (error) {
        return false;
    }
    std::vector<HistorySample> loaded;
    std::uintmax_t size = 0;
    if (exists) {
        std::ifstream file(m_path, std::ios::binary);
        size = std::filesystem::file_size(m_path, error);
        if (!file || error) {
            return false;
        }
        std::uintmax_t start = 0;
        if (size > kHistoryReadLimit) {
            start = size - kHistoryReadLimit;
            m_needsRewrite = true;
        }
        std::string text(static_cast<std::size_t>(size - start), '\0');
        file.seekg(static_cast<std::streamoff>(start));
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        if (file.gcount() != static_cast<std::streamsize>(text.size())) {
            return false;
        }
        std::string_view view(text);
        if (start > 0) {
            // The first line read is most likely a part of one.
            view.remove_prefix(std::min(view.size(), view.find('\n') + 1));
        }
        loaded = ParseHistory(view);
    }
    // Samples kept while the file could not be read join the file's.
    for (const HistorySample& sample : m_samples) {
        Place(loaded, sample);
        m_needsRewrite = true;
    }
    m_samples = std::move(loaded);
    m_size = size;
    m_lastLineOffset.reset();
    m_loaded = true;
    return true;
}

bool HistoryFile::add(const HistorySample& sample) {
    if (!m_loaded && !load()) {
        Place(m_samples, sample);
        return false;
    }
    const Placed placed = Place(m_samples, sample);
    const std::int64_t cutoff = m_samples.back().time - kHistoryKeptSeconds;
    if (m_samples.front().time < cutoff - kHistoryTrimSlackSeconds) {
        m_samples.erase(m_samples.begin(), std::find_if(m_samples.begin(), m_samples.end(),
                                                        [cutoff](const HistorySample& s) { return s.time >= cutoff; }));
        m_needsRewrite = true;
    }
    if (m_needsRewrite || placed == Placed::Elsewhere) {
        return rewrite();
    }
    return writeLast(placed == Placed::OverLast);
}

bool HistoryFile::rewrite() {
    m_needsRewrite = true;
    m_lastLineOffset.reset();
    std::error_code error;
    if (std::filesystem::exists(m_path, error)) {
        // A file another program holds (a spreadsheet on Windows) would have the replacement retried for
        // seconds: try again at the next sample instead.
        if (!std::fstream(m_path, std::ios::in | std::ios::out | std::ios::binary)) {
            return false;
        }
    }
    const std::string text = FormatHistory(m_samples);
    if (!ReplaceFileContents(m_path, text, NewFileReaders::OwnerOnly)) {
        return false;
    }
    m_needsRewrite = false;
    m_size = text.size();
    if (!m_samples.empty()) {
        m_lastLineOffset = text.size() - FormatHistoryLine(m_samples.back()).size() - 1;
    }
    return true;
}

bool HistoryFile::writeLast(bool sameSlot) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(m_path, error);
    if (error || size != m_size) {
        // Changed behind our back (or gone): read again, keep both sides' samples, and write the whole.
        m_loaded = false;
        if (!load()) {
            m_needsRewrite = true;
            return false;
        }
        return rewrite();
    }
    const std::string line = FormatHistoryLine(m_samples.back()) + '\n';
    std::fstream file(m_path, std::ios::in | std::ios::out | std::ios::binary);
    if (!file) {
        m_needsRewrite = true;
        return false;
    }
    if (sameSlot && m_lastLineOffset) {
        file.seekp(static_cast<std::streamoff>(*m_lastLineOffset));
        file.write(line.data(), static_cast<std::streamsize>(line.size()));
        file.close();
        const std::uintmax_t end = *m_lastLineOffset + line.size();
        bool written = !file.fail();
        if (written && end < m_size) {
            std::filesystem::resize_file(m_path, end, error);
            written = !error;
        }
        if (!written) {
            m_needsRewrite = true;
            m_lastLineOffset.reset();
            return false;
        }
        m_size = end;
        return true;
    }
    std::string prefix;
    if (m_size == 0) {
        prefix = std::string(kHistoryHeader) + '\n';
    } else {
        // A cut last line must stay a line of its own, not swallow ours.
        char last = '\n';
        file.seekg(static_cast<std::streamoff>(m_size - 1));
        file.get(last);
        if (last != '\n') {
            prefix = std::string(1, '\n');
        }
    }
    file.seekp(0, std::ios::end);
    file << prefix << line;
    file.close();
    if (file.fail()) {
        m_needsRewrite = true;
        m_lastLineOffset.reset();
        return false;
    }
    m_lastLineOffset = m_size + prefix.size();
    m_size += prefix.size() + line.size();
    return true;
}

}  // namespace plimo
