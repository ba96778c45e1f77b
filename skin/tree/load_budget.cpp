#include "skin/tree/load_budget.h"

ElementLoadBudget::State*& ElementLoadBudget::Open() {
  thread_local State* open = nullptr;
  return open;
}

ElementLoadBudget::ElementLoadBudget() : state_(Open()), outermost_(Open() == nullptr) {
  if (outermost_) state_ = Open() = &own_;
}

ElementLoadBudget::~ElementLoadBudget() {
  if (outermost_) Open() = nullptr;
}

bool ElementLoadBudget::Spent() const { return state_->spent; }

void ElementLoadBudget::CountElement() {
  State* state = Open();
  if (state && ++state->elements > kMaxLoadElements) state->spent = true;
}

bool ElementLoadBudget::TakeDocument(size_t bytes) {
  State* state = Open();
  if (!state) return true;
  if (state->spent || state->documents >= kMaxLoadDocuments || bytes > kMaxLoadDocumentBytes - state->bytes) {
    state->spent = true;
    return false;
  }
  ++state->documents;
  state->bytes += bytes;
  return true;
}

bool ElementLoadBudget::Stopped() {
  const State* state = Open();
  return state && state->spent;
}
