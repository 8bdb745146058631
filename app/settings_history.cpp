#include "app/settings_history.h"

#include <cstring>

namespace trevalin {
namespace {

bool sameText(const char* a, const char* b, std::size_t size) {
    return std::strncmp(a, b, size) == 0;
}

bool sameSlot(const FormulaSlot& a, const FormulaSlot& b) {
    return sameText(a.text, b.text, sizeof a.text);
}

} // namespace

bool sameSettings(const RenderSettings& a, const RenderSettings& b) {
    // Field by field: the record has padding, and its code areas may be stale.
    for (FormulaSlot RenderSettings::*slot :
         {&RenderSettings::red, &RenderSettings::grn, &RenderSettings::blu, &RenderSettings::left,
          &RenderSettings::top, &RenderSettings::width, &RenderSettings::height,
          &RenderSettings::zoom, &RenderSettings::min, &RenderSettings::max,
          &RenderSettings::recurse, &RenderSettings::p0, &RenderSettings::q0}) {
        if (!sameSlot(a.*slot, b.*slot)) return false;
    }
    for (std::int32_t RenderSettings::*field :
         {&RenderSettings::center, &RenderSettings::oversample, &RenderSettings::cycle,
          &RenderSettings::wrap, &RenderSettings::colormode, &RenderSettings::time,
          &RenderSettings::depth, &RenderSettings::priority, &RenderSettings::codec,
          &RenderSettings::dither, &RenderSettings::seamless, &RenderSettings::lockswidth,
          &RenderSettings::lockewidth}) {
        if (a.*field != b.*field) return false;
    }
    for (double RenderSettings::*field : {&RenderSettings::startwidth, &RenderSettings::endwidth,
                                          &RenderSettings::framerate, &RenderSettings::duration}) {
        // Bitwise, so that a NaN read from a file equals itself.
        if (std::memcmp(&(a.*field), &(b.*field), sizeof(double)) != 0) return false;
    }
    return sameText(a.moviefile, b.moviefile, sizeof a.moviefile) &&
           sameText(a.sourcefile, b.sourcefile, sizeof a.sourcefile);
}

bool sameState(const ViewState& a, const ViewState& b) {
    return a.width == b.width && a.height == b.height && a.settings && b.settings &&
           sameSettings(*a.settings, *b.settings);
}

SettingsStep::SettingsStep(const QString& label, ViewState before, ViewState after, Apply apply,
                           int mergeId)
    : QUndoCommand(label), before_(std::move(before)), after_(std::move(after)),
      apply_(std::move(apply)), mergeId_(mergeId) {}

void SettingsStep::undo() {
    apply_(before_);
}

void SettingsStep::redo() {
    if (made_) {
        made_ = false;
        return;
    }
    apply_(after_);
}

bool SettingsStep::mergeWith(const QUndoCommand* other) {
    if (other->id() != id() || mergeId_ == kNoMerge) return false;
    after_ = static_cast<const SettingsStep*>(other)->after_;
    return true;
}

} // namespace trevalin
