// Scenarios: a machine stepped through a failure by small changes, each step
// checked by the simulator's own reader before it is used.
#include "scenario.h"

#include "description.h"
#include "machine.h"

#include <tsm/machine.h>

#include <filesystem>
#include <fstream>

namespace simctl {

namespace {

// The most steps and minutes a scenario may have: bounded work for any file.
constexpr std::size_t kMaxSteps = 200;
constexpr uint32_t kMaxMinutes = 24 * 60;

std::string at(const std::string& path, int line, const std::string& problem)
{
    return path + ":" + std::to_string(line) + ": " + problem;
}

sim::Node* findById(sim::Node& node, const std::string& id)
{
    if (node.attr("id") == id)
        return &node;
    for (sim::Node& child : node.children)
        if (sim::Node* found = findById(child, id))
            return found;
    return nullptr;
}

// <set ref="x" a="v"/> sets attributes of the element whose id is x (an
// empty value removes one); <add ref="x"> appends its children to it.
bool applyChange(const sim::Node& change, sim::Node& machine, std::string& problem)
{
    const std::string ref = change.attr("ref");
    sim::Node* target = ref.empty() ? nullptr : findById(machine, ref);
    if (target == nullptr) {
        problem = "<" + change.name + "> ref=\"" + ref + "\" names no element of the machine";
        return false;
    }
    if (change.name == "set") {
        for (const auto& [key, value] : change.attributes) {
            if (key == "ref")
                continue;
            if (value.empty())
                target->attributes.erase(key);
            else
                target->attributes[key] = value;
        }
        return true;
    }
    if (change.name == "add") {
        target->children.insert(target->children.end(), change.children.begin(), change.children.end());
        return true;
    }
    problem = "<" + change.name + "> is not a change; a step holds <set> and <add>";
    return false;
}

void stripIds(sim::Node& node)
{
    node.attributes.erase("id");
    for (sim::Node& child : node.children)
        stripIds(child);
}

// Reads one step and applies its changes to the machine.
bool readStep(const std::string& path, const sim::Node& element, ScenarioStep& step, sim::Node& machine,
              std::string& error)
{
    step.name = element.attr("name");
    uint32_t minutes = 1;
    if (element.has("minutes") &&
        (!sim::parseNumber(element.attr("minutes"), minutes) || minutes == 0 || minutes > kMaxMinutes)) {
        error = at(path, element.line,
                   "<step> attribute minutes must be a number from 1 to " + std::to_string(kMaxMinutes));
        return false;
    }
    step.minutes = minutes;
    if (step.name.empty() || step.name.find_first_of(" \t\r\n") != std::string::npos) {
        error = at(path, element.line, "<step> needs the attribute name, a word without blanks");
        return false;
    }
    for (const sim::Node& change : element.children) {
        std::string problem;
        if (!applyChange(change, machine, problem)) {
            error = at(path, change.line, problem);
            return false;
        }
    }
    sim::Node described = machine;
    stripIds(described);
    int line = 0;
    std::string problem;
    if (!sim::buildMachine(described, line, problem)) {
        error = at(path, line, "step \"" + step.name + "\": " + problem);
        return false;
    }
    return true;
}

std::string escaped(const std::string& value)
{
    std::string text;
    for (const char c : value) {
        switch (c) {
        case '&':
            text += "&amp;";
            break;
        case '<':
            text += "&lt;";
            break;
        case '>':
            text += "&gt;";
            break;
        case '"':
            text += "&quot;";
            break;
        case '\n':
            text += "&#10;";
            break;
        case '\r':
            text += "&#13;";
            break;
        case '\t':
            text += "&#9;";
            break;
        default:
            text += c;
            break;
        }
    }
    return text;
}

void writeElement(const sim::Node& node, const std::string& indent, std::string& text)
{
    text += indent + "<" + node.name;
    for (const auto& [key, value] : node.attributes)
        text += " " + key + "=\"" + escaped(value) + "\"";
    if (node.children.empty()) {
        text += "/>\n";
        return;
    }
    text += ">\n";
    for (const sim::Node& child : node.children)
        writeElement(child, indent + "  ", text);
    text += indent + "</" + node.name + ">\n";
}

} // namespace

bool readScenario(const std::string& path, std::vector<ScenarioStep>& steps, std::string& error,
                  const std::string& wanted, sim::Node* pMachine)
{
    sim::Node root;
    sim::DescriptionError parseError;
    if (!sim::parseDescriptionFile(path, root, parseError)) {
        error = at(path, parseError.line, parseError.problem);
        return false;
    }
    const sim::Node* machine = root.child("machine");
    if (root.name != "scenario" || machine == nullptr) {
        error = at(path, root.line, "a scenario is a <scenario> holding a <machine> and its <step> elements");
        return false;
    }
    const std::vector<const sim::Node*> stepElements = root.childrenNamed("step");
    if (stepElements.empty() || stepElements.size() > kMaxSteps) {
        error = at(path, root.line, "a scenario holds from 1 to " + std::to_string(kMaxSteps) + " <step> elements");
        return false;
    }
    steps.clear();
    sim::Node current = *machine;
    for (const sim::Node* element : stepElements) {
        ScenarioStep step;
        if (!readStep(path, *element, step, current, error))
            return false;
        steps.push_back(step);
        if (pMachine != nullptr && (step.name == wanted || std::to_string(steps.size()) == wanted)) {
            *pMachine = current;
            pMachine = nullptr;
        }
    }
    if (pMachine != nullptr && !wanted.empty()) {
        error = path + ": has no step \"" + wanted + "\"";
        return false;
    }
    return true;
}

std::string descriptionText(const sim::Node& machine)
{
    sim::Node copy = machine;
    stripIds(copy);
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    writeElement(copy, "", text);
    return text;
}

bool listSteps(const std::string& path, std::ostream& out, std::ostream& errors)
{
    std::vector<ScenarioStep> steps;
    std::string error;
    if (!readScenario(path, steps, error)) {
        errors << error << "\n";
        return false;
    }
    for (std::size_t i = 0; i < steps.size(); ++i)
        out << i + 1 << " " << steps[i].name << " " << steps[i].minutes << "\n";
    return true;
}

bool useStep(const std::string& path, const std::string& step, std::ostream& errors)
{
    std::vector<ScenarioStep> steps;
    sim::Node machine;
    std::string error;
    if (!readScenario(path, steps, error, step, &machine)) {
        errors << error << "\n";
        return false;
    }
    const std::string target = tsm::machineRoot() + "/machine.xml";
    const std::string temporary = target + ".step";
    std::error_code code;
    std::filesystem::create_directories(tsm::machineRoot(), code);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << descriptionText(machine);
        out.flush();
        if (!out) {
            errors << "cannot write " << temporary << "\n";
            return false;
        }
    }
    std::filesystem::rename(temporary, target, code);
    if (code) {
        errors << "cannot put the description in place: " << code.message() << "\n";
        std::filesystem::remove(temporary, code);
        return false;
    }
    return true;
}

} // namespace simctl
