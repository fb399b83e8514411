#include "ShapeExchangeManager.h"

namespace orvkit {

ShapeExchangeManager& ShapeExchangeManager::Instance()
{
    static ShapeExchangeManager instance;
    return instance;
}

void ShapeExchangeManager::SetPostprocess(std::unique_ptr<ShapeReaderPostprocess>&& postprocess)
{
    myPostprocess = std::move(postprocess);
}

} // namespace orvkit
