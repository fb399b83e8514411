#include "CaughtFailure.h"

#include "Geometry/IO/OcctFaultScope.h"

#include <Standard_ErrorHandler.hxx>
#include <Standard_Failure.hxx>

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <typeinfo>

namespace orvkit {

namespace {

const char* const kUnknownException = "unknown exception";

// The readable name of an exception's class.
std::string TypeName(const std::exception& error)
{
    const char* mangled = typeid(error).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled != nullptr ? demangled : mangled;
    std::free(demangled);
    return name;
}

CaughtFailure FromOcct(const Standard_Failure& failure)
{
    return {CaughtFailure::OcctFailure, failure.DynamicType()->Name(), failure.GetMessageString(),
            OcctFaultScope::IsFault(failure)};
}

} // namespace

std::string CaughtFailure::Describe() const
{
    return message.empty() ? type : type + ": " + message;
}

std::optional<CaughtFailure> CaughtFailure::Guard(const std::function<void()>& work, EnumCatch what)
{
    try {
        OCC_CATCH_SIGNALS
        work();
    } catch (const Standard_Failure& failure) {
        return FromOcct(failure);
    } catch (const std::exception& error) {
        if (what == OcctOnly) {
            throw;
        }
        return CaughtFailure{StandardException, TypeName(error), error.what()};
    } catch (...) {
        if (what != Everything) {
            throw;
        }
        return CaughtFailure{UnknownException, kUnknownException, {}};
    }
    return std::nullopt;
}

} // namespace orvkit
