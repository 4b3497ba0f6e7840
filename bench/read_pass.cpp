#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/utf8_text.h"
#include "platform/windows1251.h"
#include "stats/display.h"
#include "stats/page_parser.h"
#include "stats/scratch_text.h"

namespace {

// The markers are Windows-1251 text whatever the system's code page.
std::string MarkerUtf8(const char* key) {
    return plimo::WideToUtf8(plimo::Windows1251ToWide(plimo::MarkerFor(key)));
}

// A statistics page as the service sends it: UTF-8, Russian text in every row, markup everywhere, and the four
// values near the end, after the bulk of the page.
std::string MakePage(std::size_t size) {
    const char16_t* const rows[] = {
        u"<tr class=\"odd\"><td><a href=\"/stat/example.com/pages.html?id=%\">Главная страница сайта</a></td>"
        u"<td align=right>1 234</td><td align=right>5,6%</td></tr>\n",
        u"<tr><td><a href=\"/stat/example.com/searches.html\">Поисковые системы: Яндекс, Google, Рамблер</a>"
        u"</td><td align=right>98</td><td class=\"gray\">&nbsp;</td></tr>\n",
        u"<tr class=\"even\"><td><span title=\"Посетители из Москвы и области\">Москва</span></td>"
        u"<td align=right><b>4 321</b></td><td><img src=\"/i/up.gif\" alt=\"рост\"></td></tr>\n",
        u"<tr><td><label for=\"id_3\">Просмотры за неделю</label></td><td align=right>27 190</td></tr>\n",
    };
    std::string page =
        plimo::WideToUtf8(u"<html><head><title>Статистика сайта example.com</title></head><body><table>\n");
    std::string values = "<tr>" + MarkerUtf8("prosmotri") + "<td>12,345</td></tr>\n<tr>" + MarkerUtf8("posetiteli") +
                         "<td>1,234</td></tr>\n<tr><td>" + MarkerUtf8("prosmotriplus") +
                         "<img src=\"/i/up.gif\"  >+1,024</a></td></tr>\n<tr><td>" + MarkerUtf8("posetiteliplus") +
                         "<img src=\"/i/dn.gif\"  >-77</a></td></tr>\n";
    const std::string tail = values + plimo::WideToUtf8(u"</table><p>Обновлено в 12:00</p></body></html>\n");
    for (std::size_t i = 0; page.size() + tail.size() < size; ++i) {
        page += plimo::WideToUtf8(rows[i % 4]);
    }
    return page + tail;
}

const std::string& Page(std::int64_t size) {
    static const std::string small = MakePage(100u << 10);
    static const std::string large = MakePage(1u << 20);
    return size == (100 << 10) ? small : large;
}

void CheckReading(const plimo::DisplayUpdate& update) {
    if (update.views != "12,345" || update.visitors != "1,234" || update.viewsChange != "1024" ||
        update.visitorsChange != "77" || update.siteNameColour != plimo::kNormalColour) {
        std::cerr << "the benchmark page does not read as intended\n";
        std::abort();
    }
}

// The read pass as the panel runs it: the page joins the empty scratch text, which is converted into the spare
// buffer and swapped with it, and the four values are read. Both buffers stay allocated between passes.
void ReadPass(benchmark::State& state) {
    const std::string& page = Page(state.range(0));
    std::string scratch;
    std::string spare;
    plimo::DisplayUpdate update;
    for (auto _ : state) {
        scratch.clear();
        plimo::AppendToScratch(scratch, page);
        plimo::Utf8ToAnsi(scratch, spare);
        scratch.swap(spare);
        update = plimo::DecideDisplay(scratch);
        benchmark::DoNotOptimize(update);
    }
    CheckReading(update);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

// The same with new buffers for every pass, as a scratch text that is dropped and rebuilt would have: the
// difference is the allocator's and the kernel's work of handing out fresh memory.
void ReadPassFreshBuffers(benchmark::State& state) {
    const std::string& page = Page(state.range(0));
    plimo::DisplayUpdate update;
    for (auto _ : state) {
        std::string scratch;
        plimo::AppendToScratch(scratch, page);
        scratch = plimo::Utf8ToAnsi(scratch);
        update = plimo::DecideDisplay(scratch);
        benchmark::DoNotOptimize(update);
    }
    CheckReading(update);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

void Memcpy(benchmark::State& state) {
    const std::string& page = Page(state.range(0));
    std::string target(page.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), page.data(), page.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

// The parts of the read pass on their own, to see where its time goes.
void Convert(benchmark::State& state) {
    const std::string& page = Page(state.range(0));
    std::string converted;
    for (auto _ : state) {
        plimo::Utf8ToAnsi(page, converted);
        benchmark::DoNotOptimize(converted.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

void Decide(benchmark::State& state) {
    const std::string converted = plimo::Utf8ToAnsi(Page(state.range(0)));
    for (auto _ : state) {
        plimo::DisplayUpdate update = plimo::DecideDisplay(converted);
        benchmark::DoNotOptimize(update);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(converted.size()));
}

}  // namespace

BENCHMARK(ReadPass)->Arg(100 << 10)->Arg(1 << 20);
BENCHMARK(ReadPassFreshBuffers)->Arg(100 << 10)->Arg(1 << 20);
BENCHMARK(Memcpy)->Arg(100 << 10)->Arg(1 << 20);
BENCHMARK(Convert)->Arg(100 << 10)->Arg(1 << 20);
BENCHMARK(Decide)->Arg(100 << 10)->Arg(1 << 20);
