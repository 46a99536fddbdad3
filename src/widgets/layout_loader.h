#pragma once
// Builds a form's widget tree from its layout file (JSON): kinds, names, parents in
// creation order, bounds, texts, colours, fonts by name, pictures by file name, list
// items, and event bindings by handler name. Anything the loader does not know (a kind,
// a property, a parent, a font, a picture, a handler) stops loading with one message that
// names the file and the widget.

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "gfx/picture.h"
#include "widgets/control.h"
#include "widgets/form.h"

namespace tv {

class LayoutError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The handlers a form offers to its layout, by name.
struct HandlerTable {
    std::map<std::string, TNotifyEvent> notify;   // OnClick, OnTimer, OnCreate
    std::map<std::string, TMouseEvent> mouse;     // OnMouseDown, OnMouseUp
    std::map<std::string, TMouseMoveEvent> move;  // OnMouseMove
};

// Pictures by file name; null when there is no such picture.
using PictureSource = std::function<std::shared_ptr<const Picture>(const std::string& name)>;

// What a form needs before its widgets can be made.
struct FormSpec {
    std::string name;
    std::string className;
    TBorderStyle borderStyle = TBorderStyle::bsNone;
    Size clientSize;
};

class LayoutDocument {
  public:
    // Parses the text; throws LayoutError for malformed JSON or a form section it cannot use.
    LayoutDocument(std::string_view json, std::string fileName);
    ~LayoutDocument();
    LayoutDocument(LayoutDocument&&) noexcept;
    const FormSpec& form() const { return form_; }
    const std::string& fileName() const { return fileName_; }

    // Creates every widget on the form (built from form()), sets its properties and binds
    // its events. Throws LayoutError.
    void apply(TForm& target, const PictureSource& pictures, const HandlerTable& handlers) const;

  private:
    struct Json;
    std::unique_ptr<Json> json_;
    std::string fileName_;
    FormSpec form_;
};

}  // namespace tv
