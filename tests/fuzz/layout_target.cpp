#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <set>
#include <string_view>

#include "fuzz/targets.h"
#include "platform/headless/headless_platform.h"
#include "resources/embedded.h"
#include "resources/picture_library.h"
#include "support/fake_font.h"
#include "widgets/application.h"
#include "widgets/layout_loader.h"

namespace tv::fuzz {
namespace {

// Larger forms are legal but a headless window of that size costs hundreds of
// megabytes per input, which only slows the search down.
constexpr long kMaxFormPixels = 2048L * 2048L;

// Every handler name the real layouts bind, each doing nothing, so mutated layouts get
// past the binding checks as often as the real ones do.
HandlerTable realHandlerNames() {
    HandlerTable table;
    std::set<std::string> names;
    auto collect = [&names](const nlohmann::json& events) {
        if (!events.is_object()) return;
        for (const auto& [event, handler] : events.items())
            if (handler.is_string()) names.insert(handler.get<std::string>());
    };
    for (const char* file : {"main.json", "about.json"}) {
        const std::string_view text = resources::text(file);
        const auto doc = nlohmann::json::parse(text.begin(), text.end());
        collect(doc["form"].value("Events", nlohmann::json::object()));
        for (const auto& w : doc["widgets"]) collect(w.value("Events", nlohmann::json::object()));
    }
    for (const std::string& n : names) {
        table.notify[n] = [](TObject*) {};
        table.mouse[n] = [](TObject*, TMouseButton, TShiftState, int, int) {};
        table.move[n] = [](TObject*, TShiftState, int, int) {};
    }
    return table;
}

// Decoding the embedded pictures once keeps the search fast; the source only reads them.
struct Shared {
    resources::PictureLibrary library;
    HandlerTable handlers = realHandlerNames();
    PictureSource pictures;
    Shared() {
        for (std::size_t i = 0; i < resources::kEmbeddedFileCount; ++i) {
            const std::string_view name = resources::kEmbeddedFiles[i].name;
            if (!name.ends_with(".json")) library.get(std::string(name));
        }
        pictures = [this](const std::string& n) { return library.get(n); };
    }
};

std::string applyAndPaint(const LayoutDocument& layout, const Shared& shared) {
    const FormSpec& spec = layout.form();
    if (long(spec.clientSize.width) * spec.clientSize.height > kMaxFormPixels) return "";
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app(platform, fonts, "tolvane");
    TForm form(app, spec.borderStyle, spec.clientSize, platform::WindowRole::Main);
    try {
        layout.apply(form, shared.pictures, shared.handlers);
    } catch (const LayoutError& e) {
        if (std::string_view(e.what()).rfind(layout.fileName() + ": ", 0) != 0)
            return std::string("an error that does not name the file: ") + e.what();
        return "";
    } catch (const PictureError&) {
        return "";
    }
    // A layout that loads must also draw and take input, whatever its geometry.
    form.paintAll();
    const Size size = form.window().size();
    auto event = [&](platform::EventType type, Point at) {
        platform::Event e;
        e.type = type;
        e.window = form.window().id();
        e.pos = at;
        e.button = platform::MouseButton::Left;
        e.clicks = 1;
        e.key = platform::Key::Tab;
        std::snprintf(e.text, sizeof e.text, "%s", "托a");
        form.handleEvent(e);
    };
    for (Point at : {Point{size.width / 2, size.height / 2}, Point{1, 1},
                     Point{size.width - 2, size.height - 2}}) {
        event(platform::EventType::MouseMove, at);
        event(platform::EventType::MouseDown, at);
        event(platform::EventType::MouseMove, Point{at.x + 3, at.y + 3});
        event(platform::EventType::MouseUp, at);
        event(platform::EventType::MouseWheel, at);
        event(platform::EventType::KeyDown, at);
        event(platform::EventType::TextInput, at);
    }
    form.paintDamage();
    return "";
}

}  // namespace

std::string layoutInput(Input bytes) {
    static const Shared shared;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    try {
        std::unique_ptr<LayoutDocument> layout;
        try {
            layout = std::make_unique<LayoutDocument>(text, "fuzz.json");
        } catch (const LayoutError& e) {
            if (std::string_view(e.what()).rfind("fuzz.json: ", 0) != 0)
                return std::string("an error that does not name the file: ") + e.what();
            return "";
        }
        return applyAndPaint(*layout, shared);
    } catch (const std::exception& e) {
        return std::string("unexpected exception: ") + e.what();
    }
}

}  // namespace tv::fuzz
