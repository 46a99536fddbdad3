#pragma once
// Inside the ATK bridge: one ATK object per node of the model, made when a client or an
// event first needs it, and the application object at the root.

#include <map>
#include <string>
#include <utility>

#include "a11y/model.h"

#include <atk/atk.h>

namespace tv::a11y {

class AtkTree;

// Where a text's caret and selection are, in characters of the text.
struct TextMarks {
    gint caret = 0, from = 0, to = 0;
    bool operator==(const TextMarks&) const = default;
};
TextMarks marksOf(Node n, const std::string& text);

// What an object stands for. `control` is null once its form is gone (the object is then
// defunct and answers nothing).
struct NodeData {
    AtkTree* tree = nullptr;
    Node node;
    TForm* form = nullptr;
    std::string name, description;  // kept for the const strings ATK hands out
    std::string text;               // the text as last announced, for change events
    TextMarks marks;                // and its caret and selection
};

class AtkTree {
  public:
    explicit AtkTree(TApplication& app);
    ~AtkTree();
    AtkTree(const AtkTree&) = delete;
    AtkTree& operator=(const AtkTree&) = delete;

    TApplication& app() const { return app_; }
    AtkObject* root() const { return root_; }
    // The node's object, made on first use; owned by the tree (no reference added).
    AtkObject* object(Node n);
    // The object when it was made, null otherwise.
    AtkObject* existing(Node n) const;
    // Drops every object of a form that is going away: they turn defunct.
    void forget(const TForm* form);

    static NodeData* data(AtkObject* o);

  private:
    TApplication& app_;
    AtkObject* root_ = nullptr;
    std::map<std::pair<TControl*, int>, AtkObject*> objects_;
};

}  // namespace tv::a11y
