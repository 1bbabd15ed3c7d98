// The markup reader against pugixml on the same bytes in memory: a language file with
// its 107 lookups, and a large document. Run a Release build, for example:
//   build/xml-rel/bench/xml_bench --benchmark_filter='Language|Large'
#include <benchmark/benchmark.h>

#include <pugixml.hpp>
#include <string>

#include "localisation/InterfaceStrings.h"
#include "xml/XmlReader.h"

namespace {

using x5k::InterfaceStrings;

// Shaped like a shipped language file: a root, "config", and one child per key.
const std::string& LanguageFile() {
    static const std::string text = [] {
        std::string out =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<language>\r\n  <config>\r\n";
        for (const std::string_view key : InterfaceStrings::kKeys) {
            out += "    <" + std::string(key) + ">Text of " + std::string(key) +
                   " &amp; 确定设置</" + std::string(key) + ">\r\n";
        }
        out += "  </config>\r\n</language>\r\n";
        return out;
    }();
    return text;
}

// About 10 MB of records with attributes, nested elements, entities, CDATA and
// non-ASCII text.
const std::string& LargeDocument() {
    static const std::string text = [] {
        std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<catalogue>\n";
        for (int i = 0; out.size() < 10'000'000; ++i) {
            const std::string n = std::to_string(i);
            out += "  <item id=\"" + n + "\" kind='macro'>\n    <name>Macro " + n +
                   " 宏命令</name>\n    <keys>Ctrl &amp; Alt &#x2192; Del</keys>\n"
                   "    <delay>50</delay><!-- pacing -->\n"
                   "    <note><![CDATA[raw <text> kept]]></note>\n  </item>\n";
        }
        out += "</catalogue>\n";
        return out;
    }();
    return text;
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

void BM_LanguageFile_X5k(benchmark::State& state) {
    const std::string& file = LanguageFile();
    x5k::CXmlReader reader;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.LoadMemory(Bytes(file)));
        for (const std::string_view key : InterfaceStrings::kKeys) {
            benchmark::DoNotOptimize(reader.ReadMarkupValue("config", key));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LanguageFile_X5k);

void BM_LanguageFile_Pugixml(benchmark::State& state) {
    const std::string& file = LanguageFile();
    pugi::xml_document document;
    std::string key0;
    for (auto _ : state) {
        document.load_buffer(file.data(), file.size());
        const pugi::xml_node config = document.document_element().child("config");
        for (const std::string_view key : InterfaceStrings::kKeys) {
            key0.assign(key);  // pugixml wants zero-terminated names
            benchmark::DoNotOptimize(std::string(config.child(key0.c_str()).child_value()));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LanguageFile_Pugixml);

void BM_LargeDocument_X5k(benchmark::State& state) {
    const std::string& file = LargeDocument();
    x5k::CXmlReader reader;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.LoadMemory(Bytes(file)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LargeDocument_X5k)->Unit(benchmark::kMillisecond);

// A new reader for every load: no buffers to reuse, as pugixml's document has none.
void BM_LargeDocument_X5kFreshReader(benchmark::State& state) {
    const std::string& file = LargeDocument();
    for (auto _ : state) {
        x5k::CXmlReader reader;
        benchmark::DoNotOptimize(reader.LoadMemory(Bytes(file)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LargeDocument_X5kFreshReader)->Unit(benchmark::kMillisecond);

void BM_LargeDocument_Pugixml(benchmark::State& state) {
    const std::string& file = LargeDocument();
    pugi::xml_document document;
    for (auto _ : state) {
        benchmark::DoNotOptimize(document.load_buffer(file.data(), file.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LargeDocument_Pugixml)->Unit(benchmark::kMillisecond);

// Not a comparison: a million nested open tags, never closed, must load in linear time
// (pugixml stops at such a document with an error, so it has no counterpart here).
void BM_DeepNesting_X5k(benchmark::State& state) {
    std::string file;
    for (int i = 0; i < 1'000'000; ++i) file += "<config>";
    x5k::CXmlReader reader;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.LoadMemory(Bytes(file)));
        benchmark::DoNotOptimize(reader.ReadMarkupValue("config", "str_ok"));
    }
}
BENCHMARK(BM_DeepNesting_X5k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
