#include "TranslatorLock.h"

namespace orvkit {

namespace {

// Defined in the host library, which every reader and writer links, so that the process has
// exactly one.
std::recursive_mutex& TranslatorMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

} // namespace

TranslatorLock::TranslatorLock() : myLock(TranslatorMutex()) {}

} // namespace orvkit
