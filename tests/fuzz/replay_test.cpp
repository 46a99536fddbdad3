// Replays every saved fuzz input (the seeds and the inputs that once found a fault)
// through the fuzz targets' own entry functions, so the ordinary build guards against
// the faults coming back without needing clang or libFuzzer.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/targets.h"

namespace tv::fuzz {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;
    std::string (*entry)(Input);
    // Seed folders besides tests/fuzz/corpus/<name>, relative to the source tree, with
    // the file ending they hold ("" for every file).
    std::vector<std::pair<const char*, const char*>> seeds;
};

const Target kTargets[] = {
    {"registry", &registryInput, {}},
    {"picture", &pictureInput, {{"src/resources/pictures", ""}}},
    {"layout", &layoutInput, {{"src/resources/layout", ".json"}}},
};

std::vector<fs::path> filesIn(const fs::path& dir, std::string_view ending = "") {
    std::vector<fs::path> out;
    if (!fs::is_directory(dir)) return out;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string n = e.path().filename().string();
        if (e.is_regular_file() && n != "README.md" && n.ends_with(ending)) out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::uint8_t> readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void replay(const Target& t, const std::vector<fs::path>& files) {
    for (const fs::path& f : files) {
        const std::vector<std::uint8_t> bytes = readBytes(f);
        EXPECT_EQ(t.entry(bytes), "") << f;
    }
}

// Names the target in failure messages instead of dumping its bytes.
void PrintTo(const Target& t, std::ostream* os) {
    *os << t.name;
}
std::string targetName(const ::testing::TestParamInfo<Target>& p) {
    return p.param.name;
}

class Replay : public ::testing::TestWithParam<Target> {};

TEST_P(Replay, SeedsPassTheTarget) {
    const Target& t = GetParam();
    const fs::path source = TOLVANE_SOURCE_ROOT;
    std::vector<fs::path> files = filesIn(source / "tests/fuzz/corpus" / t.name);
    for (const auto& [dir, ending] : t.seeds) {
        const auto more = filesIn(source / dir, ending);
        files.insert(files.end(), more.begin(), more.end());
    }
    // A missing seed folder would quietly make this test pass on nothing.
    ASSERT_FALSE(files.empty()) << "no seeds for " << t.name;
    replay(t, files);
}

TEST_P(Replay, InputsThatOnceFoundAFaultPass) {
    const Target& t = GetParam();
    replay(t, filesIn(fs::path(TOLVANE_SOURCE_ROOT) / "tests/fuzz/regressions" / t.name));
}

INSTANTIATE_TEST_SUITE_P(Fuzz, Replay, ::testing::ValuesIn(kTargets), targetName);

}  // namespace
}  // namespace tv::fuzz
