#include "Progress.h"

namespace orvkit {

Progress& Progress::Instance()
{
    static Progress instance;
    return instance;
}

void Progress::SetHandler(const std::shared_ptr<ProgressHandler>& handler)
{
    std::shared_ptr<ProgressHandler> replaced = handler;
    {
        const std::lock_guard<std::mutex> lock(myMutex);
        myHandler.swap(replaced);
    }
    // The earlier handler goes here, outside the lock, unless an operation still reports to it.
}

std::shared_ptr<ProgressHandler> Progress::GetHandler() const
{
    const std::lock_guard<std::mutex> lock(myMutex);
    return myHandler;
}

} // namespace orvkit
