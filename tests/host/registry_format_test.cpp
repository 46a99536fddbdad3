#include "host/registry_format.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

namespace tv {
namespace {

RegistryDocument sampleDocument() {
    RegistryDocument doc;
    doc.root = RegistryRoot::CurrentUser;
    doc.keys.push_back({"Software", {}});
    doc.keys.push_back({"Software\\Internet Explorer\\Main",
                        {{"Window Title", "\xCD\xD0\xB6\xFB\xCD\xF2(Tolvane)"},
                         {"Quote \"and\" \\", "a\\b\"c"},
                         {"", ""},
                         {"Trail", "\xD5\x5C"}}});
    return doc;
}

TEST(RegistryFormat, WritesTheExportGrammar) {
    EXPECT_EQ(serializeRegistry(sampleDocument()),
              "TOLVANE REGISTRY 1\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Internet Explorer\\Main]\n"
              "\"Window Title\"=\"托尔万(Tolvane)\"\n"
              "\"Quote \\\"and\\\" \\\\\"=\"a\\\\b\\\"c\"\n"
              "@=\"\"\n"
              "\"Trail\"=\"誠\"\n");
}

TEST(RegistryFormat, RoundTripsEveryByteString) {
    RegistryDocument doc = sampleDocument();
    doc.root = RegistryRoot::LocalMachine;
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes += static_cast<char>(i);
    doc.keys.push_back({"Bytes",
                        {{"All", allBytes},
                         {"Newline", "line1\nline2"},
                         {"Lone lead byte", "\xB1"},
                         {"Nul", std::string("a\0b", 3)}}});
    const std::string text = serializeRegistry(doc);
    const RegistryParseResult parsed = parseRegistry(text, RegistryRoot::LocalMachine);
    ASSERT_TRUE(parsed.document) << parsed.error;
    ASSERT_EQ(parsed.document->keys.size(), doc.keys.size());
    for (std::size_t k = 0; k < doc.keys.size(); ++k) {
        EXPECT_EQ(parsed.document->keys[k].path, doc.keys[k].path);
        ASSERT_EQ(parsed.document->keys[k].values.size(), doc.keys[k].values.size());
        for (std::size_t v = 0; v < doc.keys[k].values.size(); ++v) {
            EXPECT_EQ(parsed.document->keys[k].values[v].name, doc.keys[k].values[v].name);
            EXPECT_EQ(parsed.document->keys[k].values[v].data, doc.keys[k].values[v].data);
        }
    }
    // Data that are not clean text go out as wrapped hex lines of moderate width.
    EXPECT_NE(text.find("\"Newline\"=hex(1):6c,69,6e,65,31,0a,6c"), std::string::npos);
    std::istringstream lines(text);
    std::string line;
    int continued = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        if (!line.empty() && line.back() == '\\') ++continued;
    }
    EXPECT_GE(continued, 5);
}

TEST(RegistryFormat, AcceptsCrLfAndBlankLines) {
    const auto parsed = parseRegistry(
        "TOLVANE REGISTRY 1\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"1\"\r\n   \r\n"
        "\"y\"=hex(1):41,\\\r\n  42\r\n",
        RegistryRoot::CurrentUser);
    ASSERT_TRUE(parsed.document) << parsed.error;
    const RegistryKeyEntry* key = parsed.document->findKey("a");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(key->findValue("X"), nullptr);
    EXPECT_EQ(key->findValue("X")->data, "1");
    EXPECT_EQ(key->findValue("y")->data, "AB");
}

TEST(RegistryFormat, RejectsWhatItCannotRead) {
    const std::string head = "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USER\\A]\n";
    const char* bad[] = {
        "",
        "TOLVANE REGISTRY 2\n",
        "TOLVANE REGISTRY 1\n\"x\"=\"value outside a key\"\n",
        "TOLVANE REGISTRY 1\n[HKEY_LOCAL_MACHINE\\A]\n",
        "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USERS\\A]\n",
        "TOLVANE REGISTRY 1\n[-HKEY_CURRENT_USER\\A]\n",
        "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USER\\A\n",
        "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USER\\A\\\\B]\n",
        "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USER\\A\\]\n",
        "TOLVANE REGISTRY 1\n[HKEY_CURRENT_USER\\A]\n[HKEY_CURRENT_USER\\a]\n",
        "TOLVANE REGISTRY 1\n; a comment\n",
    };
    for (const char* text : bad) {
        const auto parsed = parseRegistry(text, RegistryRoot::CurrentUser);
        EXPECT_FALSE(parsed.document) << text;
        EXPECT_FALSE(parsed.error.empty());
    }
    const char* badValues[] = {
        "\"x\"=\"1\"\n\"X\"=\"2\"\n",  // the same value twice
        "\"x\"=-\n",                   // deletion marker
        "\"x\"=dword:00000001\n",
        "\"x\"=hex:41\n",
        "\"x\"=hex(1):4\n",
        "\"x\"=hex(1):4g\n",
        "\"x\"=hex(1):41,\n",
        "\"x\"=hex(1):41 42\n",
        "\"x\"=hex(1):41,\\\n",      // continuation at the end of the file
        "\"x\"=hex(1):41,\\\n42\n",  // continuation without indent
        "\"x\"=\"a\\nb\"\n",         // unknown escape
        "\"x\"=\"open\n",
        "\"x\"=\"1\" trailing\n",
        "\"x\" = \"1\"\n",
        "\"x\"=\"😀\"\n",     // text the code page cannot hold
        "\"x\"=\"\xFF\"\n",  // not UTF-8
        "\"\x01\"=\"1\"\n",  // control character in a name
        "\"x\"\n",
        "x=\"1\"\n",
    };
    for (const char* lines : badValues) {
        EXPECT_FALSE(parseRegistry(head + lines, RegistryRoot::CurrentUser).document) << lines;
    }
}

TEST(RegistryFormat, ErrorsNameTheLine) {
    const auto parsed = parseRegistry(
        "TOLVANE REGISTRY 1\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n", RegistryRoot::CurrentUser);
    ASSERT_FALSE(parsed.document);
    EXPECT_EQ(parsed.error.rfind("line 4:", 0), 0u) << parsed.error;
}

// Damaged files must be rejected, never crash the reader; under the sanitizers this also
// catches reads past the end.
TEST(RegistryFormat, SurvivesCutAndMutatedInput) {
    RegistryDocument doc = sampleDocument();
    doc.keys.push_back({"Hex", {{"v", std::string(100, '\x01')}}});
    const std::string text = serializeRegistry(doc);
    for (std::size_t n = 0; n <= text.size(); ++n) {
        (void)parseRegistry(text.substr(0, n), RegistryRoot::CurrentUser);
    }
    std::mt19937 rng(1234);
    for (int round = 0; round < 1500; ++round) {
        std::string mutated = text;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % mutated.size();
            const char special[] = {'\\', '"', '\n', ',', '[', ']', '=', '@', '\0'};
            mutated[at] = rng() % 2 ? static_cast<char>(rng()) : special[rng() % sizeof special];
        }
        const auto parsed = parseRegistry(mutated, RegistryRoot::CurrentUser);
        if (parsed.document) {
            // Whatever was accepted must write out and read back the same.
            const std::string again = serializeRegistry(*parsed.document);
            const auto reparsed = parseRegistry(again, RegistryRoot::CurrentUser);
            ASSERT_TRUE(reparsed.document) << reparsed.error;
            EXPECT_EQ(serializeRegistry(*reparsed.document), again);
        }
    }
}

TEST(RegistryNames, CompareWithoutLetterCase) {
    EXPECT_TRUE(registryNamesEqual("Window Title", "WINDOW title"));
    EXPECT_TRUE(registryNamesEqual("Software\\Microsoft", "SOFTWARE\\microsoft"));
    EXPECT_TRUE(registryNamesEqual("ＡＢ", "ａｂ"));  // full-width
    EXPECT_TRUE(registryNamesEqual("ДОМ", "дом"));    // Cyrillic
    EXPECT_TRUE(registryNamesEqual("ΣΩ", "σω"));      // Greek
    EXPECT_TRUE(registryNamesEqual("标题", "标题"));
    EXPECT_FALSE(registryNamesEqual("标题", "标"));
    EXPECT_FALSE(registryNamesEqual("Title", "Titles"));
    EXPECT_FALSE(registryNamesEqual("A\\B", "AB"));
}

TEST(RegistryNames, SplitsAndValidatesKeyPaths) {
    EXPECT_EQ(splitKeyPath("Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon")->size(), 5u);
    EXPECT_TRUE(splitKeyPath("")->empty());
    EXPECT_EQ(splitKeyPath("托尔万")->front(), "托尔万");
    for (const char* bad : {"\\Software", "Software\\", "A\\\\B", "A\\😀", "A\nB", "\xFF"}) {
        EXPECT_FALSE(splitKeyPath(bad)) << bad;
    }
    EXPECT_TRUE(isValidValueName(""));
    EXPECT_TRUE(isValidValueName("a\\b"));  // value names may hold a backslash
    EXPECT_FALSE(isValidValueName("tab\there"));
}

TEST(RegistryDocument, EnsureKeyCreatesParentsInTheirSpelling) {
    RegistryDocument doc;
    doc.keys.push_back({"Software", {}});
    bool created = false;
    RegistryKeyEntry& key = doc.ensureKey("SOFTWARE\\New\\Deep", &created);
    EXPECT_TRUE(created);
    EXPECT_EQ(key.path, "Software\\New\\Deep");
    ASSERT_EQ(doc.keys.size(), 3u);
    EXPECT_EQ(doc.keys[1].path, "Software\\New");
    doc.ensureKey("software\\new\\deep", &created);
    EXPECT_FALSE(created);
    EXPECT_EQ(doc.keys.size(), 3u);
}

}  // namespace
}  // namespace tv
