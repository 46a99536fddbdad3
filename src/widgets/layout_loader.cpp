#include "widgets/layout_loader.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <set>

#include "widgets/check_box.h"
#include "widgets/check_list_box.h"
#include "widgets/edit.h"
#include "widgets/group_box.h"
#include "widgets/image.h"
#include "widgets/label.h"
#include "widgets/memo.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/speed_button.h"
#include "widgets/timer.h"

namespace tv {

using nlohmann::json;

struct LayoutDocument::Json {
    json doc;
};

namespace {

// A colour as the layout writes it: a number (0x00BBGGRR or a system colour) or a name.
bool parseColor(const json& v, TColor& out) {
    if (v.is_number_integer()) {
        out = TColor(v.get<std::int64_t>());
        return true;
    }
    return v.is_string() && colorFromName(v.get<std::string>().c_str(), out);
}

constexpr int kMinInt = std::numeric_limits<int>::min();
constexpr int kMaxInt = std::numeric_limits<int>::max();
// Positions, sizes and progress ranges stay within 16 bits, as on the classic platform, so
// adding up offsets through the widget tree or scaling a range can never overflow.
constexpr int kMinCoordinate = -32768;
constexpr int kMaxCoordinate = 32767;
// Bevels and borders are drawn a line at a time.
constexpr int kMaxFrameWidth = 1000;

// An integer that fits [lo, hi]; a larger JSON number would otherwise wrap around.
bool inRange(const json& v, long long lo, long long hi) {
    if (v.is_number_unsigned()) {
        const unsigned long long u = v.get<unsigned long long>();
        return hi >= 0 && u <= static_cast<unsigned long long>(hi) &&
               static_cast<long long>(u) >= lo;
    }
    if (!v.is_number_integer()) return false;
    const long long n = v.get<long long>();
    return n >= lo && n <= hi;
}

// Loading one widget: every property it states is consumed once; what is left over is
// not a property of that kind.
class WidgetReader {
  public:
    WidgetReader(const std::string& file, const json& w) : file_(file), w_(w) {
        name_ = w.contains("Name") && w["Name"].is_string() ? w["Name"].get<std::string>() : "?";
        for (auto it = w.begin(); it != w.end(); ++it) left_.insert(it.key());
        take("Kind");
        take("Name");
        take("Parent");
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw LayoutError(file_ + ": widget '" + name_ + "': " + what);
    }
    const std::string& name() const { return name_; }

    const json* take(const char* key) {
        left_.erase(key);
        auto it = w_.find(key);
        return it == w_.end() ? nullptr : &*it;
    }
    bool has(const char* key) const { return w_.contains(key); }

    bool boolean(const char* key, bool& out) {
        const json* v = take(key);
        if (!v) return false;
        if (!v->is_boolean()) fail(std::string(key) + " must be true or false");
        out = v->get<bool>();
        return true;
    }
    bool integer(const char* key, int& out, int lo = kMinInt, int hi = kMaxInt) {
        const json* v = take(key);
        if (!v) return false;
        if (!inRange(*v, lo, hi))
            fail(std::string(key) + " must be an integer from " + std::to_string(lo) + " to " +
                 std::to_string(hi));
        out = v->get<int>();
        return true;
    }
    bool string(const char* key, std::string& out) {
        const json* v = take(key);
        if (!v) return false;
        if (!v->is_string()) fail(std::string(key) + " must be a text");
        out = v->get<std::string>();
        return true;
    }
    bool color(const char* key, TColor& out) {
        const json* v = take(key);
        if (!v) return false;
        if (parseColor(*v, out)) return true;
        fail(std::string(key) + ": unknown colour " + v->dump());
    }
    template <class E>
    bool choice(const char* key, std::initializer_list<std::pair<const char*, E>> options, E& out) {
        std::string s;
        if (!string(key, s)) return false;
        for (auto& [n, e] : options)
            if (s == n) {
                out = e;
                return true;
            }
        fail(std::string(key) + ": unknown value \"" + s + "\"");
    }
    void finish() const {
        if (!left_.empty()) fail("unknown property \"" + *left_.begin() + "\"");
    }

  private:
    const std::string& file_;
    const json& w_;
    std::string name_;
    std::set<std::string> left_;
};

TFont readFont(const std::string& file, const std::string& name, const json& f) {
    auto bad = [&](const std::string& what) -> LayoutError {
        return LayoutError(file + ": font '" + name + "': " + what);
    };
    if (!f.is_object()) throw bad("must be an object");
    TFont font;
    if (!f.contains("Face") || !f["Face"].is_string()) throw bad("needs a Face");
    font.spec.face = f["Face"].get<std::string>();
    if (!f.contains("Height") || !f["Height"].is_number_integer()) throw bad("needs a Height");
    if (!inRange(f["Height"], -200, 200)) throw bad("height out of range");
    const int h = f["Height"].get<int>();
    font.spec.height = h < 0 ? -h : h;
    if (font.spec.height == 0) throw bad("height out of range");
    if (f.contains("Color")) {
        if (!parseColor(f["Color"], font.color)) throw bad("unknown colour");
    }
    if (f.contains("Style")) {
        if (!f["Style"].is_array()) throw bad("Style must be a list");
        for (const auto& s : f["Style"]) {
            if (s == "fsBold")
                font.spec.bold = true;
            else
                throw bad("unsupported style " + s.dump());
        }
    }
    for (auto it = f.begin(); it != f.end(); ++it) {
        static const std::set<std::string> known{"Face", "Height", "Charset", "Color", "Style"};
        if (!known.count(it.key())) throw bad("unknown property \"" + it.key() + "\"");
    }
    return font;
}

}  // namespace

LayoutDocument::LayoutDocument(std::string_view text, std::string fileName)
    : json_(std::make_unique<Json>()), fileName_(std::move(fileName)) {
    try {
        json_->doc = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        throw LayoutError(fileName_ + ": not a valid layout: " + e.what());
    }
    const json& d = json_->doc;
    if (!d.is_object() || !d.contains("form") || !d["form"].is_object() || !d.contains("widgets") ||
        !d["widgets"].is_array())
        throw LayoutError(fileName_ + ": a layout needs \"form\" and \"widgets\"");
    const json& f = d["form"];
    auto need = [&](const char* key) -> const json& {
        if (!f.contains(key)) throw LayoutError(fileName_ + ": the form needs " + key);
        return f[key];
    };
    if (!need("Name").is_string() || !need("Class").is_string())
        throw LayoutError(fileName_ + ": the form's Name and Class must be texts");
    form_.name = f["Name"].get<std::string>();
    form_.className = f["Class"].get<std::string>();
    const json& bs = need("BorderStyle");
    if (bs == "bsNone")
        form_.borderStyle = TBorderStyle::bsNone;
    else if (bs == "bsDialog")
        form_.borderStyle = TBorderStyle::bsDialog;
    else
        throw LayoutError(fileName_ + ": unknown BorderStyle " + bs.dump());
    const json& w = need("ClientWidth");
    const json& h = need("ClientHeight");
    if (!inRange(w, 1, 8192) || !inRange(h, 1, 8192))
        throw LayoutError(fileName_ + ": the form's client size is out of range");
    form_.clientSize = {w.get<int>(), h.get<int>()};
}

LayoutDocument::~LayoutDocument() = default;
LayoutDocument::LayoutDocument(LayoutDocument&&) noexcept = default;

void LayoutDocument::apply(TForm& target, const PictureSource& pictures,
                           const HandlerTable& handlers) const {
    const json& d = json_->doc;
    const std::string& file = fileName_;

    std::map<std::string, TFont> fonts;
    if (d.contains("fonts")) {
        if (!d["fonts"].is_object()) throw LayoutError(file + ": \"fonts\" must be an object");
        for (auto it = d["fonts"].begin(); it != d["fonts"].end(); ++it)
            fonts[it.key()] = readFont(file, it.key(), it.value());
    }
    auto fontNamed = [&](WidgetReader& r, const std::string& n) -> const TFont& {
        auto it = fonts.find(n);
        if (it == fonts.end()) r.fail("unknown font \"" + n + "\"");
        return it->second;
    };
    auto picture = [&](WidgetReader& r, const std::string& n) {
        auto p = pictures ? pictures(n) : nullptr;
        if (!p) r.fail("unknown picture \"" + n + "\"");
        return p;
    };
    auto bindEvents = [&](WidgetReader& r, const json* events, TComponent& c) {
        if (!events) return;
        if (!events->is_object()) r.fail("Events must be an object");
        for (auto it = events->begin(); it != events->end(); ++it) {
            const std::string& ev = it.key();
            if (!it.value().is_string()) r.fail(ev + " must name a handler");
            const std::string h = it.value().get<std::string>();
            auto missing = [&] { r.fail(ev + ": unknown handler \"" + h + "\""); };
            auto* ctl = dynamic_cast<TControl*>(&c);
            auto* tmr = dynamic_cast<TTimer*>(&c);
            if (ev == "OnClick" && ctl) {
                auto f = handlers.notify.find(h);
                if (f == handlers.notify.end()) missing();
                ctl->OnClick = f->second;
            } else if (ev == "OnTimer" && tmr) {
                auto f = handlers.notify.find(h);
                if (f == handlers.notify.end()) missing();
                tmr->setOnTimer(f->second);
            } else if (ev == "OnCreate" && &c == &target) {
                auto f = handlers.notify.find(h);
                if (f == handlers.notify.end()) missing();
                target.OnCreate = f->second;
            } else if ((ev == "OnMouseDown" || ev == "OnMouseUp") && ctl) {
                auto f = handlers.mouse.find(h);
                if (f == handlers.mouse.end()) missing();
                (ev == "OnMouseDown" ? ctl->OnMouseDown : ctl->OnMouseUp) = f->second;
            } else if (ev == "OnMouseMove" && ctl) {
                auto f = handlers.move.find(h);
                if (f == handlers.move.end()) missing();
                ctl->OnMouseMove = f->second;
            } else {
                r.fail("unknown event \"" + ev + "\"");
            }
        }
    };

    // The form itself.
    {
        WidgetReader r(file, d["form"]);
        r.take("Class");
        r.take("BorderStyle");
        r.take("ClientWidth");
        r.take("ClientHeight");
        r.take("PixelsPerInch");
        target.setName(form_.name);
        std::string s;
        if (r.string("Caption", s)) {
            target.setCaption(s);
            if (form_.borderStyle == TBorderStyle::bsDialog) target.setWindowTitle(s);
        }
        TColor c;
        if (r.color("Color", c)) target.setColor(c);
        if (r.string("Font", s)) target.setFont(fontNamed(r, s));
        TPosition pos = TPosition::poDesigned;
        if (r.choice<TPosition>("Position",
                                {{"poScreenCenter", TPosition::poScreenCenter},
                                 {"poDesigned", TPosition::poDesigned}},
                                pos))
            target.setPosition(pos);
        bindEvents(r, r.take("Events"), target);
        r.finish();
    }

    std::set<std::string> names{form_.name};
    std::vector<TControl*> made;
    for (const json& w : d["widgets"]) {
        if (!w.is_object()) throw LayoutError(file + ": every widget must be an object");
        WidgetReader r(file, w);
        if (!w.contains("Name") || !w["Name"].is_string() || r.name().empty())
            r.fail("needs a Name");
        if (!names.insert(r.name()).second) r.fail("the name is used twice");
        if (!w.contains("Kind") || !w["Kind"].is_string()) r.fail("needs a Kind");
        const std::string kind = w["Kind"].get<std::string>();
        if (!w.contains("Parent") || !w["Parent"].is_string()) r.fail("needs a Parent");
        const std::string parentName = w["Parent"].get<std::string>();
        TComponent* pc = target.findComponent(parentName);
        auto* parent = dynamic_cast<TWinControl*>(pc);
        if (!parent) r.fail("unknown parent \"" + parentName + "\"");

        if (kind == "TTimer") {
            auto& t = target.make<TTimer>();
            t.setName(r.name());
            int iv = 0;
            bool en = true;
            if (r.integer("Interval", iv)) {
                if (iv < 0) r.fail("Interval must not be negative");
                t.setInterval(unsigned(iv));
            }
            r.boolean("Enabled", en);
            t.setEnabled(false);
            bindEvents(r, r.take("Events"), t);
            t.setEnabled(en);
            r.finish();
            continue;
        }

        TControl* c = nullptr;
        if (kind == "TPanel")
            c = &target.make<TPanel>();
        else if (kind == "TImage")
            c = &target.make<TImage>();
        else if (kind == "TLabel")
            c = &target.make<TLabel>();
        else if (kind == "TSpeedButton")
            c = &target.make<TSpeedButton>();
        else if (kind == "TGroupBox")
            c = &target.make<TGroupBox>();
        else if (kind == "TProgressBar")
            c = &target.make<TProgressBar>();
        else if (kind == "TEdit")
            c = &target.make<TEdit>();
        else if (kind == "TMemo")
            c = &target.make<TMemo>();
        else if (kind == "TCheckListBox")
            c = &target.make<TCheckListBox>();
        else if (kind == "TCheckBox")
            c = &target.make<TCheckBox>();
        if (!c) r.fail("unknown kind \"" + kind + "\"");
        c->setName(r.name());
        c->setParent(parent);

        // Common properties, in an order where each can rely on the ones before.
        if (const json* b = r.take("Bounds")) {
            if (!b->is_array() || b->size() != 4)
                r.fail("Bounds must be [Left, Top, Width, Height]");
            for (const auto& v : *b)
                if (!inRange(v, kMinCoordinate, kMaxCoordinate))
                    r.fail("Bounds must be four integers from -32768 to 32767");
            c->setBounds((*b)[0].get<int>(), (*b)[1].get<int>(), (*b)[2].get<int>(),
                         (*b)[3].get<int>());
        }
        std::string s;
        bool flag = false;
        TColor col;
        if (r.boolean("ParentColor", flag)) c->setParentColor(flag);
        if (r.color("Color", col)) c->setColor(col);
        if (r.boolean("ParentFont", flag)) c->setParentFont(flag);
        if (r.string("Font", s)) c->setFont(fontNamed(r, s));
        if (r.boolean("Visible", flag)) c->setVisible(flag);
        if (r.boolean("Enabled", flag)) c->setEnabled(flag);
        if (r.string("Hint", s)) c->setHint(s);
        if (r.string("AccessibleName", s)) c->setAccessibleName(s);
        if (r.string("AccessibleDescription", s)) c->setAccessibleDescription(s);
        if (r.boolean("ParentShowHint", flag)) c->setParentShowHint(flag);
        if (r.boolean("ShowHint", flag)) c->setShowHint(flag);
        TCursor cur;
        if (r.choice<TCursor>(
                "Cursor",
                {{"crDefault", TCursor::crDefault}, {"crHandPoint", TCursor::crHandPoint}}, cur))
            c->setCursor(cur);
        TAlign al;
        if (r.choice<TAlign>("Align", {{"alNone", TAlign::alNone}, {"alBottom", TAlign::alBottom}},
                             al))
            c->setAlign(al);
        if (auto* wc = dynamic_cast<TWinControl*>(c)) {
            int n = 0;
            if (r.boolean("TabStop", flag)) wc->setTabStop(flag);
            if (r.integer("TabOrder", n)) wc->setTabOrder(n);
            if (r.boolean("Ctl3D", flag)) wc->setCtl3D(flag);
        }

        if (auto* p = dynamic_cast<TPanel*>(c)) {
            TBevelCut cut;
            auto cuts = {std::pair{"bvNone", TBevelCut::bvNone},
                         std::pair{"bvLowered", TBevelCut::bvLowered},
                         std::pair{"bvRaised", TBevelCut::bvRaised}};
            if (r.choice<TBevelCut>("BevelOuter", cuts, cut)) p->setBevelOuter(cut);
            if (r.choice<TBevelCut>("BevelInner", cuts, cut)) p->setBevelInner(cut);
            int n = 0;
            if (r.integer("BevelWidth", n, 0, kMaxFrameWidth)) p->setBevelWidth(n);
            if (r.integer("BorderWidth", n, 0, kMaxFrameWidth)) p->setBorderWidth(n);
            TPanelBorder pb;
            if (r.choice<TPanelBorder>(
                    "BorderStyle",
                    {{"bsNone", TPanelBorder::bsNone}, {"bsSingle", TPanelBorder::bsSingle}}, pb))
                p->setBorderStyle(pb);
            TAlignment a;
            if (r.choice<TAlignment>("Alignment",
                                     {{"taCenter", TAlignment::taCenter},
                                      {"taLeftJustify", TAlignment::taLeftJustify},
                                      {"taRightJustify", TAlignment::taRightJustify}},
                                     a))
                p->setAlignment(a);
            if (r.string("Caption", s)) p->setCaption(s);
        } else if (auto* im = dynamic_cast<TImage*>(c)) {
            if (r.boolean("Stretch", flag)) im->setStretch(flag);
            if (r.boolean("Center", flag)) im->setCenter(flag);
            if (r.boolean("Transparent", flag)) im->setTransparent(flag);
            if (r.boolean("AutoSize", flag)) im->setAutoSize(flag);
            if (r.string("Picture", s)) im->setPicture(picture(r, s));
        } else if (auto* l = dynamic_cast<TLabel*>(c)) {
            if (r.boolean("Transparent", flag)) l->setTransparent(flag);
            if (r.boolean("AutoSize", flag)) l->setAutoSize(flag);
            if (r.string("Caption", s)) l->setCaption(s);
        } else if (auto* sb = dynamic_cast<TSpeedButton*>(c)) {
            if (r.boolean("Flat", flag)) sb->setFlat(flag);
            if (r.string("Glyph", s)) sb->setGlyph(picture(r, s));
            if (r.string("Caption", s)) sb->setCaption(s);
        } else if (auto* g = dynamic_cast<TGroupBox*>(c)) {
            if (r.string("Caption", s)) g->setCaption(s);
        } else if (auto* pb = dynamic_cast<TProgressBar*>(c)) {
            int lo = 0, hi = 100, pos = 0;
            bool a = r.integer("Min", lo, kMinCoordinate, kMaxCoordinate),
                 b = r.integer("Max", hi, kMinCoordinate, kMaxCoordinate);
            if (a || b) pb->setRange(lo, hi);
            if (r.integer("Position", pos, kMinCoordinate, kMaxCoordinate)) pb->setPosition(pos);
        } else if (auto* edit = dynamic_cast<TEdit*>(c)) {
            if (r.boolean("ReadOnly", flag)) edit->setReadOnly(flag);
            if (r.boolean("AutoSize", flag)) edit->setAutoSize(flag);
            if (r.string("Text", s)) edit->setText(s);
        } else if (auto* memo = dynamic_cast<TMemo*>(c)) {
            if (r.boolean("ReadOnly", flag)) memo->setReadOnly(flag);
            TScrollStyle ss;
            if (r.choice<TScrollStyle>(
                    "ScrollBars",
                    {{"ssNone", TScrollStyle::ssNone}, {"ssVertical", TScrollStyle::ssVertical}},
                    ss))
                memo->setScrollBars(ss);
            if (r.boolean("WordWrap", flag) && !flag)
                r.fail("only word-wrapped memos are supported");
            if (r.string("Text", s)) memo->setText(s);
        } else if (auto* list = dynamic_cast<TCheckListBox*>(c)) {
            if (const json* items = r.take("Items")) {
                if (!items->is_array()) r.fail("Items must be a list of texts");
                std::vector<std::string> v;
                for (const auto& it : *items) {
                    if (!it.is_string()) r.fail("Items must be a list of texts");
                    v.push_back(it.get<std::string>());
                }
                list->setItems(std::move(v));
            }
            // The item height follows the font; the stored value only records it.
            int ih = 0;
            r.integer("ItemHeight", ih);
        } else if (auto* box = dynamic_cast<TCheckBox*>(c)) {
            if (r.string("Caption", s)) box->setCaption(s);
            if (r.boolean("Checked", flag)) box->setChecked(flag);
        }
        bindEvents(r, r.take("Events"), *c);
        r.finish();
        made.push_back(c);
    }
    for (TControl* c : made) c->loaded();
    target.realign();
    for (TControl* c : made)
        if (auto* wc = dynamic_cast<TWinControl*>(c)) wc->realign();
}

}  // namespace tv
