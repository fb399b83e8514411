#pragma once

// Every command operation takes a context.
#include "Data/App/CommandContext.h"

#include <cstdint>
#include <string>

namespace orvkit {

// A named action the application runs interactively (Run) or with parameters (BatchRun).
class Command {
public:
    Command() = default;
    virtual ~Command() = default;

    virtual std::string GetUIName() const { return myName; }
    // Adds the command's parameters, with their defaults, to the context's dictionary.
    virtual void QueryParamsSchema(CommandContext* context) const;
    virtual bool Query(CommandContext* context) const;
    virtual bool IsVisible(CommandContext* context) const;
    virtual bool IsChecked(CommandContext* context) const;
    virtual bool BeforeRunning(CommandContext* context);
    virtual bool Run(CommandContext* context) = 0;
    virtual bool BatchRun(CommandContext* context);
    virtual bool Prepare(CommandContext* context);

    const std::string& GetName() const { return myName; }
    void SetName(const std::string& name) { myName = name; }
    int32_t GetCode() const { return myCode; }
    void SetCode(int32_t code) { myCode = code; }
    const std::string& GetPath() const { return myPath; }
    void SetPath(const std::string& path) { myPath = path; }

private:
    std::string myName;
    int32_t myCode = 0;
    std::string myPath;
};

} // namespace orvkit
