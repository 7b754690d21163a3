#include "tools/zep/simulation.h"

namespace zep::tool {

std::string SimulationHtml(const SimulationResult& result, const std::string& label, const SimulateOptions& options,
                           const ProductInput& input) {
    (void)input;
    return "<!DOCTYPE html><html><body><pre>" + SimulationText(result, label, options) + "</pre></body></html>\n";
}

}  // namespace zep::tool
