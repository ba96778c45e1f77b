// The bound on one load of an element document. Dialog files include other
// documents, which may include others again, so what a few small files make
// can grow without limit; one load (a layer with every document it includes,
// or a list-item template) stops at these limits and fails instead.
#pragma once

#include <cstddef>

// The limits of one load, stated here only. The program's main layer makes
// about 60 elements from three documents of 4 KB together, its list-item
// template about 30.
constexpr size_t kMaxLoadElements = 20000;
constexpr size_t kMaxLoadDocuments = 256;
constexpr size_t kMaxLoadDocumentBytes = 4u * 1024 * 1024;

// Opens the budget of a load on this thread, or joins the one already open
// (a load inside a load shares the outermost budget). Elements made on this
// thread while it is open count against it; the loops that make elements stop
// once it is spent, and the load that opened it is then to fail as a whole.
class ElementLoadBudget {
 public:
  ElementLoadBudget();
  ~ElementLoadBudget();
  ElementLoadBudget(const ElementLoadBudget&) = delete;
  ElementLoadBudget& operator=(const ElementLoadBudget&) = delete;

  // Whether the budget this scope opened or joined is spent.
  bool Spent() const;
  // Whether this scope opened the budget (it was the first on the thread).
  bool Outermost() const { return outermost_; }

  // Counts a new element against the open budget (none open: nothing).
  static void CountElement();
  // Counts a document of `bytes` about to be loaded; false, and the budget
  // spent, when it would pass a limit. True when no budget is open.
  static bool TakeDocument(size_t bytes);
  // Whether a budget is open on this thread and spent: no more elements are
  // to be made.
  static bool Stopped();

 private:
  struct State {
    size_t elements = 0;
    size_t documents = 0;
    size_t bytes = 0;
    bool spent = false;
  };
  static State*& Open();

  State own_;
  State* state_;
  bool outermost_;
};
