// The ATK objects: one GObject type per set of interfaces a node needs (every node is a
// component; buttons add actions, text controls text, edits editable text, progress bars
// a value, windows the window signals, check lists the selection), all answering from the
// model.
#include "a11y/atk/objects.h"
#include "a11y/text_units.h"

#include <algorithm>
#include <cstring>

#include "widgets/application.h"
#include "widgets/form.h"

namespace tv::a11y {

namespace {

struct TvAccessible {
    AtkObject parent;
    NodeData* data;
};
struct TvAccessibleClass {
    AtkObjectClass parent;
};
struct TvApplication {
    AtkObject parent;
    AtkTree* tree;
};
struct TvApplicationClass {
    AtkObjectClass parent;
};

enum Interface : unsigned {
    kAction = 1,
    kText = 2,
    kEditable = 4,
    kValue = 8,
    kWindow = 16,
    kSelection = 32,
    kAll = 63,
};

NodeData* dataOf(gpointer o) {
    return reinterpret_cast<TvAccessible*>(o)->data;
}
// The live node behind an object; null once defunct.
Node nodeOf(gpointer o) {
    NodeData* d = dataOf(o);
    return d ? d->node : Node{};
}

AtkRole atkRole(Role r) {
    switch (r) {
        case Role::Frame:
            return ATK_ROLE_FRAME;
        case Role::Dialog:
            return ATK_ROLE_DIALOG;
        case Role::Alert:
            return ATK_ROLE_ALERT;
        case Role::ToolTip:
            return ATK_ROLE_TOOL_TIP;
        case Role::PushButton:
            return ATK_ROLE_PUSH_BUTTON;
        case Role::Link:
            return ATK_ROLE_LINK;
        case Role::CheckBox:
            return ATK_ROLE_CHECK_BOX;
        case Role::List:
            return ATK_ROLE_LIST;
        case Role::Entry:
            return ATK_ROLE_ENTRY;
        case Role::Text:
            return ATK_ROLE_TEXT;
        case Role::Label:
            return ATK_ROLE_LABEL;
        case Role::ProgressBar:
            return ATK_ROLE_PROGRESS_BAR;
        case Role::Panel:
            return ATK_ROLE_PANEL;
        case Role::Grouping:
            return ATK_ROLE_GROUPING;
        case Role::Image:
            return ATK_ROLE_IMAGE;
        case Role::Unknown:
            break;
    }
    return ATK_ROLE_UNKNOWN;
}

// --- AtkObject --------------------------------------------------------------------------

const gchar* objectName(AtkObject* o) {
    NodeData* d = dataOf(o);
    if (!d || !d->node) return "";
    d->name = name(d->node);
    return d->name.c_str();
}

const gchar* objectDescription(AtkObject* o) {
    NodeData* d = dataOf(o);
    if (!d || !d->node) return "";
    d->description = description(d->node);
    return d->description.c_str();
}

AtkObject* objectParent(AtkObject* o) {
    NodeData* d = dataOf(o);
    if (!d || !d->node) return nullptr;
    const Node up = parent(d->node);
    return up ? d->tree->object(up) : d->tree->root();
}

gint objectChildCount(AtkObject* o) {
    const Node n = nodeOf(o);
    return n ? childCount(n) : 0;
}

AtkObject* objectChild(AtkObject* o, gint i) {
    NodeData* d = dataOf(o);
    if (!d || !d->node) return nullptr;
    const Node c = child(d->node, i);
    return c ? static_cast<AtkObject*>(g_object_ref(d->tree->object(c))) : nullptr;
}

gint objectIndex(AtkObject* o) {
    NodeData* d = dataOf(o);
    return d && d->node ? indexInParent(d->tree->app(), d->node) : -1;
}

AtkRole objectRole(AtkObject* o) {
    const Node n = nodeOf(o);
    return n ? atkRole(role(n)) : ATK_ROLE_INVALID;
}

AtkStateSet* objectStates(AtkObject* o) {
    AtkStateSet* set = atk_state_set_new();
    const Node n = nodeOf(o);
    if (!n) {
        atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
        return set;
    }
    static constexpr std::pair<std::uint32_t, AtkStateType> kMap[] = {
        {kEnabled, ATK_STATE_ENABLED},        {kEnabled, ATK_STATE_SENSITIVE},
        {kVisible, ATK_STATE_VISIBLE},        {kShowing, ATK_STATE_SHOWING},
        {kFocusable, ATK_STATE_FOCUSABLE},    {kFocused, ATK_STATE_FOCUSED},
        {kCheckable, ATK_STATE_CHECKABLE},    {kChecked, ATK_STATE_CHECKED},
        {kSelectable, ATK_STATE_SELECTABLE},  {kSelected, ATK_STATE_SELECTED},
        {kEditable, ATK_STATE_EDITABLE},      {kReadOnly, ATK_STATE_READ_ONLY},
        {kSingleLine, ATK_STATE_SINGLE_LINE}, {kMultiLine, ATK_STATE_MULTI_LINE},
        {kActive, ATK_STATE_ACTIVE},          {kModal, ATK_STATE_MODAL},
    };
    const std::uint32_t s = states(n);
    for (const auto& [bit, state] : kMap)
        if (s & bit) atk_state_set_add_state(set, state);
    return set;
}

void objectFinalize(GObject* o) {
    delete dataOf(o);
    reinterpret_cast<TvAccessible*>(o)->data = nullptr;
    // The subtypes share this finalizer: chain to ATK's own, past all of ours.
    G_OBJECT_CLASS(g_type_class_peek(ATK_TYPE_OBJECT))->finalize(o);
}

// The base type's class; subtypes add interfaces.
void baseClassInit(gpointer klass, gpointer) {
    auto* k = static_cast<AtkObjectClass*>(klass);
    k->get_name = objectName;
    k->get_description = objectDescription;
    k->get_parent = objectParent;
    k->get_n_children = objectChildCount;
    k->ref_child = objectChild;
    k->get_index_in_parent = objectIndex;
    k->get_role = objectRole;
    k->ref_state_set = objectStates;
    G_OBJECT_CLASS(klass)->finalize = objectFinalize;
}

// --- AtkComponent -----------------------------------------------------------------------

void componentExtents(AtkComponent* c, gint* x, gint* y, gint* w, gint* h, AtkCoordType type) {
    *x = *y = *w = *h = 0;
    const Node n = nodeOf(c);
    if (!n) return;
    Rect r = screenBounds(n);
    if (type != ATK_XY_SCREEN) {
        // Window coordinates; a parent's origin where asked for it.
        const Rect origin = type == ATK_XY_PARENT && parent(n) ? screenBounds(parent(n))
                                                               : screenBounds({formOf(n), -1});
        r = r.translated(-origin.left, -origin.top);
    }
    *x = r.left;
    *y = r.top;
    *w = r.width();
    *h = r.height();
}

gboolean componentGrabFocus(AtkComponent* c) {
    NodeData* d = dataOf(c);
    return d && d->node && takeFocus(d->tree->app(), d->node);
}

void componentInit(gpointer iface, gpointer) {
    auto* i = static_cast<AtkComponentIface*>(iface);
    i->get_extents = componentExtents;
    i->grab_focus = componentGrabFocus;
}

// --- AtkAction --------------------------------------------------------------------------

gboolean actionDo(AtkAction* a, gint i) {
    NodeData* d = dataOf(a);
    return d && d->node && doAction(d->tree->app(), d->node, i);
}
gint actionCount(AtkAction* a) {
    const Node n = nodeOf(a);
    return n ? a11y::actionCount(n) : 0;
}
const gchar* actionNameOf(AtkAction* a, gint i) {
    const Node n = nodeOf(a);
    return n ? actionName(n, i) : nullptr;
}

void actionInit(gpointer iface, gpointer) {
    auto* i = static_cast<AtkActionIface*>(iface);
    i->do_action = actionDo;
    i->get_n_actions = actionCount;
    i->get_name = actionNameOf;
    i->get_localized_name = actionNameOf;
}

// --- AtkText ----------------------------------------------------------------------------
// ATK counts characters; the model counts bytes of UTF-8.

glong charCount(const std::string& s) {
    return g_utf8_strlen(s.data(), gssize(s.size()));
}
gint toChars(const std::string& s, std::size_t bytes) {
    return gint(g_utf8_pointer_to_offset(s.data(), s.data() + std::min(bytes, s.size())));
}
std::size_t toBytes(const std::string& s, gint chars) {
    const glong count = charCount(s);
    if (chars < 0 || chars > count) chars = gint(count);
    return std::size_t(g_utf8_offset_to_pointer(s.data(), chars) - s.data());
}
gchar* slice(const std::string& s, gint start, gint end) {
    const std::size_t b = toBytes(s, start), e = end < 0 ? s.size() : toBytes(s, end);
    return g_strndup(s.data() + b, e > b ? e - b : 0);
}

gchar* textGet(AtkText* t, gint start, gint end) {
    const Node n = nodeOf(t);
    return slice(n ? text(n) : std::string(), start, end);
}
gint textCount(AtkText* t) {
    const Node n = nodeOf(t);
    return n ? gint(charCount(text(n))) : 0;
}
gint textCaret(AtkText* t) {
    const Node n = nodeOf(t);
    return n ? toChars(text(n), caret(n)) : 0;
}
gunichar textCharAt(AtkText* t, gint offset) {
    const Node n = nodeOf(t);
    if (!n) return 0;
    const std::string s = text(n);
    const std::size_t b = toBytes(s, offset);
    return b < s.size() ? g_utf8_get_char(s.data() + b) : 0;
}
gint textSelections(AtkText* t) {
    const Node n = nodeOf(t);
    return n && selectionEnd(n) > selectionStart(n) ? 1 : 0;
}
gchar* textSelection(AtkText* t, gint i, gint* start, gint* end) {
    *start = *end = 0;
    const Node n = nodeOf(t);
    if (!n || i != 0 || selectionEnd(n) <= selectionStart(n)) return nullptr;
    const std::string s = text(n);
    *start = toChars(s, selectionStart(n));
    *end = toChars(s, selectionEnd(n));
    return slice(s, *start, *end);
}
// A span of the model's bytes as ATK's characters, and its text.
gchar* answerSpan(const std::string& s, Span b, gint* start, gint* end) {
    *start = toChars(s, b.start);
    *end = toChars(s, b.end);
    return slice(s, *start, *end);
}
// The character at the offset; empty at the end.
gchar* charAt(const std::string& s, gint offset, gint* start, gint* end) {
    const gint count = gint(charCount(s));
    *start = std::clamp(offset, 0, count);
    *end = std::min(*start + 1, count);
    return slice(s, *start, *end);
}

gchar* textStringAt(AtkText* t, gint offset, AtkTextGranularity g, gint* start, gint* end) {
    const Node n = nodeOf(t);
    const std::string s = n ? text(n) : std::string();
    const std::size_t at = toBytes(s, offset);
    switch (g) {
        case ATK_TEXT_GRANULARITY_CHAR:
            return charAt(s, offset, start, end);
        case ATK_TEXT_GRANULARITY_WORD:
            return answerSpan(s, unitAt(s, at, TextUnit::Word), start, end);
        case ATK_TEXT_GRANULARITY_SENTENCE:
            return answerSpan(s, unitAt(s, at, TextUnit::Sentence), start, end);
        case ATK_TEXT_GRANULARITY_LINE:
        case ATK_TEXT_GRANULARITY_PARAGRAPH:
            break;
    }
    // A line with its line break: from one line's start to the next.
    return answerSpan(s, between(s, at, TextUnit::Line, true), start, end);
}

// The older form: the text between two boundaries of a kind.
gchar* textAt(AtkText* t, gint offset, AtkTextBoundary b, gint* start, gint* end) {
    const Node n = nodeOf(t);
    const std::string s = n ? text(n) : std::string();
    const std::size_t at = toBytes(s, offset);
    struct Kind {
        TextUnit unit;
        bool starts;
    };
    Kind k{TextUnit::Line, true};
    switch (b) {
        case ATK_TEXT_BOUNDARY_CHAR:
            return charAt(s, offset, start, end);
        case ATK_TEXT_BOUNDARY_WORD_START:
        case ATK_TEXT_BOUNDARY_WORD_END:
            k = {TextUnit::Word, b == ATK_TEXT_BOUNDARY_WORD_START};
            break;
        case ATK_TEXT_BOUNDARY_SENTENCE_START:
        case ATK_TEXT_BOUNDARY_SENTENCE_END:
            k = {TextUnit::Sentence, b == ATK_TEXT_BOUNDARY_SENTENCE_START};
            break;
        case ATK_TEXT_BOUNDARY_LINE_START:
        case ATK_TEXT_BOUNDARY_LINE_END:
            k = {TextUnit::Line, b == ATK_TEXT_BOUNDARY_LINE_START};
            break;
    }
    return answerSpan(s, between(s, at, k.unit, k.starts), start, end);
}

// The caret and the one selection a client may set.
gboolean selectChars(AtkText* t, gint anchor, gint caret) {
    NodeData* d = dataOf(t);
    if (!d || !d->node) return FALSE;
    const std::string s = text(d->node);
    return setSelection(d->tree->app(), d->node, toBytes(s, anchor), toBytes(s, caret));
}
gboolean textSetCaret(AtkText* t, gint offset) {
    return selectChars(t, offset, offset);
}
gboolean textSetSelection(AtkText* t, gint i, gint start, gint end) {
    return i == 0 && selectChars(t, start, end);
}
gboolean textAddSelection(AtkText* t, gint start, gint end) {
    return textSelections(t) == 0 && selectChars(t, start, end);
}
gboolean textRemoveSelection(AtkText* t, gint i) {
    const Node n = nodeOf(t);
    if (i != 0 || textSelections(t) == 0) return FALSE;
    const gint at = toChars(text(n), caret(n));
    return selectChars(t, at, at);
}

void textInit(gpointer iface, gpointer) {
    auto* i = static_cast<AtkTextIface*>(iface);
    i->get_text = textGet;
    i->get_character_count = textCount;
    i->get_caret_offset = textCaret;
    i->get_character_at_offset = textCharAt;
    i->get_n_selections = textSelections;
    i->get_selection = textSelection;
    i->get_string_at_offset = textStringAt;
    i->get_text_at_offset = textAt;
    i->set_caret_offset = textSetCaret;
    i->set_selection = textSetSelection;
    i->add_selection = textAddSelection;
    i->remove_selection = textRemoveSelection;
}

// --- AtkEditableText --------------------------------------------------------------------

void editSet(AtkEditableText* e, const gchar* s) {
    NodeData* d = dataOf(e);
    if (d && d->node && s) setText(d->tree->app(), d->node, s);
}
void editInsert(AtkEditableText* e, const gchar* s, gint length, gint* position) {
    NodeData* d = dataOf(e);
    if (!d || !d->node || !s || !position) return;
    std::string t = text(d->node);
    const std::string piece = length < 0 ? std::string(s) : std::string(s, std::size_t(length));
    t.insert(toBytes(t, *position), piece);
    if (setText(d->tree->app(), d->node, t)) *position += gint(charCount(piece));
}
void editDelete(AtkEditableText* e, gint start, gint end) {
    NodeData* d = dataOf(e);
    if (!d || !d->node) return;
    std::string t = text(d->node);
    const std::size_t b = toBytes(t, start), f = end < 0 ? t.size() : toBytes(t, end);
    if (f <= b) return;
    t.erase(b, f - b);
    setText(d->tree->app(), d->node, t);
}

void editableInit(gpointer iface, gpointer) {
    auto* i = static_cast<AtkEditableTextIface*>(iface);
    i->set_text_contents = editSet;
    i->insert_text = editInsert;
    i->delete_text = editDelete;
}

// --- AtkValue ---------------------------------------------------------------------------

void valueAndText(AtkValue* v, gdouble* value, gchar** text) {
    const Node n = nodeOf(v);
    *value = n ? double(a11y::value(n)) : 0.0;
    if (text) *text = nullptr;
}
AtkRange* valueRange(AtkValue* v) {
    const Node n = nodeOf(v);
    return n ? atk_range_new(minimum(n), maximum(n), nullptr) : nullptr;
}
void setDouble(GValue* out, double v) {
    memset(out, 0, sizeof *out);
    g_value_init(out, G_TYPE_DOUBLE);
    g_value_set_double(out, v);
}
void valueCurrent(AtkValue* v, GValue* out) {
    const Node n = nodeOf(v);
    setDouble(out, n ? a11y::value(n) : 0);
}
void valueMinimum(AtkValue* v, GValue* out) {
    const Node n = nodeOf(v);
    setDouble(out, n ? minimum(n) : 0);
}
void valueMaximum(AtkValue* v, GValue* out) {
    const Node n = nodeOf(v);
    setDouble(out, n ? maximum(n) : 0);
}

void valueInit(gpointer iface, gpointer) {
    auto* i = static_cast<AtkValueIface*>(iface);
    i->get_value_and_text = valueAndText;
    i->get_range = valueRange;
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    i->get_current_value = valueCurrent;
    i->get_minimum_value = valueMinimum;
    i->get_maximum_value = valueMaximum;
    G_GNUC_END_IGNORE_DEPRECATIONS
}

void windowInit(gpointer, gpointer) {}

// --- AtkSelection -----------------------------------------------------------------------
// A check list's one selected item.

Node selectedChild(Node list) {
    for (int i = 0; i < childCount(list); ++i)
        if (states(child(list, i)) & kSelected) return child(list, i);
    return {};
}
gboolean selectionAdd(AtkSelection* s, gint i) {
    NodeData* d = dataOf(s);
    return d && d->node && select(d->tree->app(), child(d->node, i));
}
AtkObject* selectionRef(AtkSelection* s, gint i) {
    NodeData* d = dataOf(s);
    const Node c = d && d->node && i == 0 ? selectedChild(d->node) : Node{};
    return c ? static_cast<AtkObject*>(g_object_ref(d->tree->object(c))) : nullptr;
}
gint selectionCount(AtkSelection* s) {
    const Node n = nodeOf(s);
    return n && selectedChild(n) ? 1 : 0;
}
gboolean selectionHas(AtkSelection* s, gint i) {
    const Node n = nodeOf(s);
    return n && (states(child(n, i)) & kSelected) != 0;
}

void selectionInit(gpointer iface, gpointer) {
    auto* i = static_cast<AtkSelectionIface*>(iface);
    i->add_selection = selectionAdd;
    i->ref_selection = selectionRef;
    i->get_selection_count = selectionCount;
    i->is_child_selected = selectionHas;
}

// --- Types ------------------------------------------------------------------------------

GType baseType() {
    static GType type = 0;
    if (!type) {
        const GTypeInfo info = {
            sizeof(TvAccessibleClass), nullptr, nullptr, baseClassInit, nullptr, nullptr,
            sizeof(TvAccessible),      0,       nullptr, nullptr};
        type = g_type_register_static(ATK_TYPE_OBJECT, "TolvaneAccessible", &info, GTypeFlags(0));
        const GInterfaceInfo component = {componentInit, nullptr, nullptr};
        g_type_add_interface_static(type, ATK_TYPE_COMPONENT, &component);
    }
    return type;
}

GType typeFor(unsigned interfaces) {
    static GType types[kAll + 1] = {};
    if (!interfaces) return baseType();
    GType& type = types[interfaces & kAll];
    if (type) return type;
    const GTypeInfo info = {sizeof(TvAccessibleClass), nullptr, nullptr, nullptr, nullptr, nullptr,
                            sizeof(TvAccessible),      0,       nullptr, nullptr};
    const std::string typeName = "TolvaneAccessible" + std::to_string(interfaces);
    type = g_type_register_static(baseType(), typeName.c_str(), &info, GTypeFlags(0));
    const struct {
        unsigned bit;
        GType iface;
        GInterfaceInitFunc init;
    } kInterfaces[] = {
        {kAction, ATK_TYPE_ACTION, actionInit},
        {kText, ATK_TYPE_TEXT, textInit},
        {kEditable, ATK_TYPE_EDITABLE_TEXT, editableInit},
        {kValue, ATK_TYPE_VALUE, valueInit},
        {kWindow, ATK_TYPE_WINDOW, windowInit},
        {kSelection, ATK_TYPE_SELECTION, selectionInit},
    };
    for (const auto& i : kInterfaces) {
        if (!(interfaces & i.bit)) continue;
        const GInterfaceInfo ii = {i.init, nullptr, nullptr};
        g_type_add_interface_static(type, i.iface, &ii);
    }
    return type;
}

unsigned interfacesOf(Node n) {
    unsigned m = 0;
    if (actionCount(n) > 0) m |= kAction;
    if (hasText(n)) m |= kText;
    if (textSettable(n)) m |= kEditable;
    if (hasValue(n)) m |= kValue;
    if (!parent(n)) m |= kWindow;
    if (role(n) == Role::List) m |= kSelection;
    return m;
}

// --- The application --------------------------------------------------------------------

AtkTree* treeOf(gpointer o) {
    return reinterpret_cast<TvApplication*>(o)->tree;
}
const gchar* appName(AtkObject* o) {
    return treeOf(o)->app().title().c_str();
}
gint appChildCount(AtkObject* o) {
    return gint(windows(treeOf(o)->app()).size());
}
AtkObject* appChild(AtkObject* o, gint i) {
    const std::vector<Node> w = windows(treeOf(o)->app());
    if (i < 0 || std::size_t(i) >= w.size()) return nullptr;
    return static_cast<AtkObject*>(g_object_ref(treeOf(o)->object(w[std::size_t(i)])));
}
AtkObject* appParent(AtkObject*) {
    return nullptr;
}
gint appIndex(AtkObject*) {
    return -1;
}
AtkRole appRole(AtkObject*) {
    return ATK_ROLE_APPLICATION;
}

void appClassInit(gpointer klass, gpointer) {
    auto* k = static_cast<AtkObjectClass*>(klass);
    k->get_name = appName;
    k->get_n_children = appChildCount;
    k->ref_child = appChild;
    k->get_parent = appParent;
    k->get_index_in_parent = appIndex;
    k->get_role = appRole;
}

GType appType() {
    static GType type = 0;
    if (!type) {
        const GTypeInfo info = {
            sizeof(TvApplicationClass), nullptr, nullptr, appClassInit, nullptr, nullptr,
            sizeof(TvApplication),      0,       nullptr, nullptr};
        type = g_type_register_static(ATK_TYPE_OBJECT, "TolvaneApplication", &info, GTypeFlags(0));
    }
    return type;
}

}  // namespace

TextMarks marksOf(Node n, const std::string& text) {
    if (!hasText(n)) return {};
    return {toChars(text, caret(n)), toChars(text, selectionStart(n)),
            toChars(text, selectionEnd(n))};
}

AtkTree::AtkTree(TApplication& app) : app_(app) {
    root_ = static_cast<AtkObject*>(g_object_new(appType(), nullptr));
    reinterpret_cast<TvApplication*>(root_)->tree = this;
}

AtkTree::~AtkTree() {
    for (const TForm* f : std::vector<TForm*>(app_.forms())) forget(f);
    for (auto& [key, o] : objects_) {
        delete dataOf(o);
        reinterpret_cast<TvAccessible*>(o)->data = nullptr;
        g_object_unref(o);
    }
    reinterpret_cast<TvApplication*>(root_)->tree = nullptr;
    g_object_unref(root_);
}

NodeData* AtkTree::data(AtkObject* o) {
    return G_TYPE_CHECK_INSTANCE_TYPE(o, baseType()) ? dataOf(o) : nullptr;
}

AtkObject* AtkTree::existing(Node n) const {
    const auto it = objects_.find({n.control, n.item});
    return it == objects_.end() ? nullptr : it->second;
}

AtkObject* AtkTree::object(Node n) {
    if (AtkObject* o = existing(n)) return o;
    auto* o = static_cast<AtkObject*>(g_object_new(typeFor(interfacesOf(n)), nullptr));
    auto* d = new NodeData{this, n, formOf(n), {}, {}, hasText(n) ? text(n) : std::string(), {}};
    d->marks = marksOf(n, d->text);
    reinterpret_cast<TvAccessible*>(o)->data = d;
    // Automation clients find a control by the name the layout gives it.
    if (n.item < 0 && !n.control->name().empty())
        atk_object_set_accessible_id(o, n.control->name().c_str());
    objects_[{n.control, n.item}] = o;
    return o;
}

void AtkTree::forget(const TForm* form) {
    for (auto it = objects_.begin(); it != objects_.end();) {
        NodeData* d = dataOf(it->second);
        if (d->form != form) {
            ++it;
            continue;
        }
        AtkObject* o = it->second;
        it = objects_.erase(it);
        d->node = {};
        atk_object_notify_state_change(o, ATK_STATE_DEFUNCT, TRUE);
        // Clients may still hold it: it lives on, defunct, until their last reference.
        g_object_unref(o);
    }
}

}  // namespace tv::a11y
