// Reads a packet capture file (one JSON object per line) back for tests, and
// points SIM_CAPTURE at a fresh file for the life of the object.
#ifndef TSM_TESTS_CAPTUREFILE_H
#define TSM_TESTS_CAPTUREFILE_H

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace tsmtest {

struct CapturedRequest {
    std::string device;
    std::string code;
    std::string in;
    std::string out;
    std::string ok;
    std::string error;
};

// The value of "key" in one line: a JSON string unescaped, or the literal.
inline std::string captureField(const std::string& line, const std::string& key)
{
    const std::string marker = "\"" + key + "\": ";
    const size_t at = line.find(marker);
    if (at == std::string::npos)
        return "<missing>";
    size_t pos = at + marker.size();
    std::string value;
    if (pos < line.size() && line[pos] == '"') {
        for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
            if (line[pos] == '\\' && pos + 1 < line.size())
                ++pos;
            value += line[pos];
        }
        return value;
    }
    for (; pos < line.size() && line[pos] != ',' && line[pos] != '}'; ++pos)
        value += line[pos];
    return value;
}

class CaptureFile {
public:
    explicit CaptureFile(const std::string& path) : m_path(path)
    {
        std::remove(m_path.c_str());
        ::setenv("SIM_CAPTURE", m_path.c_str(), 1);
    }
    ~CaptureFile() { ::unsetenv("SIM_CAPTURE"); }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        std::ifstream in(m_path);
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }

    std::vector<CapturedRequest> requests() const
    {
        std::vector<CapturedRequest> result;
        for (const std::string& line : lines())
            result.push_back({captureField(line, "device"), captureField(line, "code"), captureField(line, "in"),
                              captureField(line, "out"), captureField(line, "ok"), captureField(line, "error")});
        return result;
    }

private:
    std::string m_path;
};

} // namespace tsmtest

#endif
