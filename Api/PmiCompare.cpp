#include "PmiCompare.h"

#include "DifferenceWords.h"
#include "Geometry/Kernel/ValueText.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace orvex::detail {

namespace {

const char* const kTargets = "targets";

// One item as the fields compared.
struct Item {
    std::string kind; // "position", "diameter", "A", "A1"
    std::string targets;
    std::vector<std::pair<const char*, std::string>> texts;
    std::vector<std::pair<const char*, std::optional<double>>> numbers;
};

std::string Joined(const std::vector<std::string>& items, const char* separator)
{
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : separator) + item;
    }
    return text;
}

std::vector<Item> ItemsOf(const std::vector<PmiDimension>& dimensions)
{
    std::vector<Item> items;
    for (const PmiDimension& d : dimensions) {
        const std::optional<double> lowerLimit =
            d.limits ? std::optional<double>((*d.limits)[0]) : std::nullopt;
        const std::optional<double> upperLimit =
            d.limits ? std::optional<double>((*d.limits)[1]) : std::nullopt;
        items.push_back({d.kind,
                         Joined(d.targets, ", "),
                         {{"class", d.toleranceClass},
                          {"qualifier", d.qualifier},
                          {"decimals", fmt::format("{}.{}", d.decimals[0], d.decimals[1])}},
                         {{"value", d.value},
                          {"upper deviation", d.upper},
                          {"lower deviation", d.lower},
                          {"lower limit", lowerLimit},
                          {"upper limit", upperLimit}}});
    }
    return items;
}

// The datums of a frame as "A | B MMC | C-D".
std::string DatumsText(const std::vector<PmiDatumReference>& datums)
{
    std::string text;
    int place = -1;
    for (const PmiDatumReference& datum : datums) {
        text += text.empty() ? "" : datum.place == place ? "-" : " | ";
        text += datum.label;
        for (const std::string& modifier : datum.modifiers) {
            text += " " + modifier;
        }
        place = datum.place;
    }
    return text;
}

std::vector<Item> ItemsOf(const std::vector<PmiTolerance>& tolerances)
{
    std::vector<Item> items;
    for (const PmiTolerance& t : tolerances) {
        items.push_back({t.type,
                         Joined(t.targets, ", "),
                         {{"zone", t.zone},
                          {"modifiers", Joined(t.modifiers, ", ")},
                          {"datums", DatumsText(t.datums)}},
                         {{"value", t.value}, {"zone value", t.zoneValue}}});
    }
    return items;
}

std::vector<Item> ItemsOf(const std::vector<PmiDatum>& datums)
{
    std::vector<Item> items;
    for (const PmiDatum& d : datums) {
        items.push_back({d.label, Joined(d.targets, ", "), {}, {}});
    }
    return items;
}

std::vector<Item> ItemsOf(const std::vector<PmiDatumTarget>& targets)
{
    std::vector<Item> items;
    for (const PmiDatumTarget& t : targets) {
        items.push_back(
            {t.label, Joined(t.targets, ", "), {{"type", t.type}, {"datum", t.datum}}, {}});
    }
    return items;
}

std::string Shown(const std::string& text)
{
    return text.empty() ? std::string(kNone) : text;
}

std::string Shown(const std::optional<double>& value)
{
    return value ? orvkit::Number(*value, 10) : std::string(kNone);
}

// Pairs each item of `a` with one of `b`: the same kind and targets, the one at its own place
// first; then what is left, in order, with one of its kind. -1 for an item left alone.
std::vector<int> Pair(const std::vector<Item>& a, const std::vector<Item>& b)
{
    std::vector<int> pairs(a.size(), -1);
    std::vector<bool> taken(b.size(), false);
    const auto pairWhere = [&](auto same) {
        for (size_t i = 0; i < a.size(); ++i) {
            if (i < b.size() && pairs[i] < 0 && !taken[i] && same(a[i], b[i])) {
                pairs[i] = int(i);
                taken[i] = true;
            }
            for (size_t j = 0; j < b.size() && pairs[i] < 0; ++j) {
                if (!taken[j] && same(a[i], b[j])) {
                    pairs[i] = int(j);
                    taken[j] = true;
                }
            }
        }
    };
    pairWhere(
        [](const Item& x, const Item& y) { return x.kind == y.kind && x.targets == y.targets; });
    pairWhere([](const Item& x, const Item& y) { return x.kind == y.kind; });
    return pairs;
}

void CompareFields(const std::string& name, const Item& a, const Item& b, double tolerance,
                   std::vector<Difference>& differences)
{
    if (a.targets != b.targets) {
        differences.push_back({name, kTargets, Shown(a.targets), Shown(b.targets)});
    }
    for (size_t i = 0; i < a.texts.size(); ++i) {
        if (a.texts[i].second != b.texts[i].second) {
            differences.push_back(
                {name, a.texts[i].first, Shown(a.texts[i].second), Shown(b.texts[i].second)});
        }
    }
    for (size_t i = 0; i < a.numbers.size(); ++i) {
        const std::optional<double>& x = a.numbers[i].second;
        const std::optional<double>& y = b.numbers[i].second;
        const bool same =
            x.has_value() == y.has_value() &&
            (!x || std::abs(*x - *y) <= tolerance * std::max(std::abs(*x), std::abs(*y)));
        if (!same) {
            differences.push_back({name, a.numbers[i].first, Shown(x), Shown(y)});
        }
    }
}

void CompareItems(const char* what, const std::vector<Item>& a, const std::vector<Item>& b,
                  double tolerance, std::vector<Difference>& differences)
{
    const std::vector<int> pairs = Pair(a, b);
    std::vector<bool> paired(b.size(), false);
    for (size_t i = 0; i < a.size(); ++i) {
        const std::string name = fmt::format("{} {} ({})", what, i + 1, a[i].kind);
        if (pairs[i] < 0) {
            differences.push_back({name, kOnlyInFirst, {}, {}});
            continue;
        }
        paired[size_t(pairs[i])] = true;
        CompareFields(name, a[i], b[size_t(pairs[i])], tolerance, differences);
    }
    for (size_t j = 0; j < b.size(); ++j) {
        if (!paired[j]) {
            differences.push_back(
                {fmt::format("{} {} ({})", what, j + 1, b[j].kind), kOnlyInSecond, {}, {}});
        }
    }
}

} // namespace

std::vector<Difference> PmiCompare::Compare(const PmiList& a, const PmiList& b) const
{
    std::vector<Difference> differences;
    CompareItems("dimension", ItemsOf(a.dimensions), ItemsOf(b.dimensions), myTolerance,
                 differences);
    CompareItems("tolerance", ItemsOf(a.tolerances), ItemsOf(b.tolerances), myTolerance,
                 differences);
    CompareItems("datum", ItemsOf(a.datums), ItemsOf(b.datums), myTolerance, differences);
    CompareItems("datum target", ItemsOf(a.datumTargets), ItemsOf(b.datumTargets), myTolerance,
                 differences);
    return differences;
}

} // namespace orvex::detail
