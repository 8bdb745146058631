#include "cli/formula_report.h"

#include <cstring>
#include <string>

#include "formula/compiler.h"
#include "render/document.h"
#include "render/formula_use.h"

namespace trevalin {

bool reportFormulas(const RenderSettings& settings, bool quiet, std::FILE* out) {
    bool ok = true;
    for (const FormulaKey& field : kFormulaKeys) {
        if (!formulaInUse(settings, field.key)) continue;
        const FormulaSlot& slot = settings.*(field.slot);
        const std::string text(slot.text, strnlen(slot.text, sizeof slot.text));
        const FormulaCheck check = checkFormula(text);
        ok = ok && !check.failed;
        for (const FormulaDiagnostic& d : check.diagnostics) {
            if (quiet && severityOf(d.kind) == Severity::Warning) continue;
            std::fputs(compilerStyle(field.key, text, d).c_str(), out);
        }
    }
    return ok;
}

} // namespace trevalin
