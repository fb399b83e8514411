#include "DocumentExchanger.h"

namespace orvkit {

DocumentExchanger::DocumentExchanger() : mySettings(std::make_unique<ParameterDict>()) {}

DocumentExchanger::~DocumentExchanger() = default;

} // namespace orvkit
