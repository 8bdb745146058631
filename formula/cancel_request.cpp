#include "formula/cancel_request.h"

namespace trevalin {
namespace {

thread_local CancelScope* tScope = nullptr;

} // namespace

CancelScope::CancelScope(const std::atomic<bool>& request) : request_(request), outer_(tScope) {
    tScope = this;
}

CancelScope::~CancelScope() {
    tScope = outer_;
}

bool cancelRequested() {
    CancelScope* scope = tScope;
    if (!scope || !scope->request_.load(std::memory_order_relaxed)) return false;
    scope->cut_ = true;
    return true;
}

} // namespace trevalin
