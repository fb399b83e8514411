#include "HelpPages.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orvex::cli {

namespace {

std::vector<const CLI::App*> Verbs(const CLI::App& app)
{
    return app.get_subcommands([](const CLI::App*) { return true; });
}

// Options (or positional arguments) in the order `--help` lists them, hidden ones left out.
std::vector<const CLI::Option*> Options(const CLI::App& app, bool positional)
{
    return app.get_options([positional](const CLI::Option* option) {
        return option->nonpositional() != positional && !option->get_group().empty();
    });
}

bool TakesValue(const CLI::Option& option)
{
    return option.get_expected_max() > 0;
}

// Text for roff: backslashes escaped, and no line that starts with a control character.
std::string Roff(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\e";
        } else if (c == '-') {
            escaped += "\\-";
        } else {
            escaped += c;
        }
    }
    if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) {
        escaped.insert(0, "\\&");
    }
    return escaped;
}

// "-v", "--verbose": the names an option is given by, short ones first.
std::vector<std::string> Names(const CLI::Option& option)
{
    std::vector<std::string> names;
    for (const std::string& name : option.get_snames()) {
        names.push_back("-" + name);
    }
    for (const std::string& name : option.get_lnames()) {
        names.push_back("--" + name);
    }
    return names;
}

// The names of `app`'s options (those that take a value only, when `valuesOnly`), joined by
// `separator`.
std::string JoinNames(const CLI::App& app, bool valuesOnly, const char* separator)
{
    std::string joined;
    for (const CLI::Option* option : Options(app, false)) {
        if (valuesOnly && !TakesValue(*option)) {
            continue;
        }
        for (const std::string& name : Names(*option)) {
            joined += (joined.empty() ? "" : separator) + name;
        }
    }
    return joined;
}

// "-v, --verbose" or "--timeout SECONDS", bold names and an italic value.
std::string OptionTerm(const CLI::Option& option)
{
    std::string term;
    for (const std::string& name : Names(option)) {
        term += (term.empty() ? "\\fB" : ", \\fB") + Roff(name) + "\\fR";
    }
    if (TakesValue(option)) {
        // Without what CLI11 adds for a check (":POSITIVE"), which --help shows beside it.
        const std::string type = option.get_type_name();
        term += " \\fI" + Roff(type.substr(0, type.find(':'))) + "\\fR";
    }
    return term;
}

void AddOptionList(std::string& page, const std::vector<const CLI::Option*>& options,
                   bool positional)
{
    for (const CLI::Option* option : options) {
        const std::string term =
            positional ? "\\fI" + Roff(option->get_name(true)) + "\\fR" : OptionTerm(*option);
        page += ".TP\n" + term + "\n" + Roff(option->get_description()) + "\n";
    }
}

std::string Usage(const CLI::App& verb)
{
    std::string usage = "\\fBorvex\\-interop " + Roff(verb.get_name()) + "\\fR";
    if (!Options(verb, false).empty()) {
        usage += " [\\fIOPTIONS\\fR]";
    }
    for (const CLI::Option* argument : Options(verb, true)) {
        const std::string name = "\\fI" + Roff(argument->get_name(true)) + "\\fR";
        const bool many = argument->get_items_expected_max() > 1;
        usage += " " + (argument->get_required() ? name : "[" + name + "]") + (many ? "..." : "");
    }
    return usage;
}

} // namespace

std::string ManPage(const CLI::App& app, const std::string& version)
{
    std::string page;
    page += ".\\\" The page is made by orvex-interop --man-page from the program's own help.\n";
    page +=
        ".TH ORVEX\\-INTEROP 1 \"\" \"orvex\\-interop " + Roff(version) + "\" \"User Commands\"\n";
    const std::string description = app.get_description();
    const size_t colon = description.find(": ");
    page += ".SH NAME\norvex\\-interop \\- " +
            Roff(colon == std::string::npos ? description : description.substr(colon + 2)) + "\n";
    page += ".SH SYNOPSIS\n\\fBorvex\\-interop\\fR [\\fIOPTIONS\\fR] \\fICOMMAND\\fR "
            "[\\fICOMMAND OPTIONS\\fR] [\\fIFILE\\fR...]\n";
    page += ".SH DESCRIPTION\n" +
            Roff(colon == std::string::npos ? description : description.substr(colon + 2)) + ".\n";
    page += ".PP\nEach command is described below; \\fBorvex\\-interop \\fICOMMAND\\fB "
            "\\-\\-help\\fR shows the same for one command.\n";
    page += ".SH OPTIONS\nThese go before the command.\n";
    AddOptionList(page, Options(app, false), false);
    page += ".SH COMMANDS\n";
    for (const CLI::App* verb : Verbs(app)) {
        page += ".SS \"" + Roff(verb->get_name()) + "\"\n" + Usage(*verb) + "\n.PP\n" +
                Roff(verb->get_description()) + ".\n";
        AddOptionList(page, Options(*verb, true), true);
        // Every verb has --help; the page says so once, above.
        std::vector<const CLI::Option*> options = Options(*verb, false);
        options.erase(std::remove(options.begin(), options.end(), verb->get_help_ptr()),
                      options.end());
        AddOptionList(page, options, false);
    }
    page += ".SH EXIT STATUS\n0 when the command did all it was asked; 1 when it did not, with "
            "one line on standard error that says why. \\fBconvert\\fR exits 1 when any file "
            "failed, and its report says which; \\fBcheck\\fR and \\fBcompare\\fR exit 1 "
            "when they find a difference and 2 when a file cannot be read.\n";
    page += ".SH FILES\n.TP\n/usr/share/javascript/three\nthree.js, which \\fBview\\fR puts into "
            "its page so that the page needs no network (Debian package libjs\\-three).\n";
    page += ".TP\n/usr/bin/chromium\nThe headless browser that \\fBsnapshot\\fR draws the page "
            "with.\n";
    return page;
}

std::string BashCompletion(const CLI::App& app)
{
    std::string verbs;
    std::string cases;
    for (const CLI::App* verb : Verbs(app)) {
        verbs += (verbs.empty() ? "" : " ") + verb->get_name();
        cases += fmt::format("        {}) words=\"{}\" ;;\n", verb->get_name(),
                             JoinNames(*verb, false, " "));
    }
    // The verb is the first word that is neither an option nor the value of one; what follows
    // '-' is an option of the program or of its verb, anything else a file.
    return fmt::format(
        R"(# bash completion for orvex-interop, made by orvex-interop --bash-completion.
_{name}() {{
    local cur=${{COMP_WORDS[COMP_CWORD]}} verb="" words i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${{COMP_WORDS[i]}} in
            {values}) ((i++)) ;;
            -*) ;;
            *) verb=${{COMP_WORDS[i]}}; break ;;
        esac
    done
    case $verb in
        "")
            if [[ $cur == -* ]]; then words="{options}"; else words="{verbs}"; fi ;;
{cases}        *) words="" ;;
    esac
    if [[ -n $verb && $cur != -* ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
    fi
}}
complete -F _{name} orvex-interop
)",
        fmt::arg("name", "orvex_interop"), fmt::arg("values", JoinNames(app, true, "|")),
        fmt::arg("options", JoinNames(app, false, " ")), fmt::arg("verbs", verbs),
        fmt::arg("cases", cases));
}

} // namespace orvex::cli
