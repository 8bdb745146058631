#include "formula/cancel_request.h"

namespace trevalin {
namespace {

thread_local const std::atomic<bool>* tRequest = nullptr;

} // namespace

CancelScope::CancelScope(const std::atomic<bool>& request) : outer_(tRequest) {
    tRequest = &request;
}

CancelScope::~CancelScope() {
    tRequest = outer_;
}

bool cancelRequested() {
    return tRequest && tRequest->load(std::memory_order_relaxed);
}

} // namespace trevalin
