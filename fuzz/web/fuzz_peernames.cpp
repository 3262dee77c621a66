// Fuzz target: a name a peer gives, as its file "<name>.vxa" in the cache
// folder and as a request path. The listing gives every such file back
// whole and once; a name taken as a request path reaches the server as
// exactly that path below the server's root, with nothing cut or added.
#include "fuzzing.h"
#include "osfunctions.h"
#include "peernames.h"

#include "tsm/machine.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

const std::string& cacheFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/tsm-fuzz-peers-XXXXXX";
        check(::mkdtemp(pattern) != nullptr);
        ::setenv("TSM_MACHINE", pattern, 1);
        return std::string(pattern);
    }();
    return folder;
}

// Host, port and request target (path, and query after a '?') of a URL as
// libcurl requests it; "(refused)" when libcurl refuses the URL.
std::string requested(const std::string& url)
{
    CURLU* parsed = curl_url();
    std::string result = "(refused)";
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
        result.clear();
        for (const CURLUPart part : {CURLUPART_HOST, CURLUPART_PORT, CURLUPART_PATH, CURLUPART_QUERY}) {
            char* text = nullptr;
            if (curl_url_get(parsed, part, &text, 0) == CURLUE_OK)
                result += (part == CURLUPART_QUERY ? "?" : "") + std::string(text);
            result += part == CURLUPART_PORT ? "|" : part == CURLUPART_HOST ? "|" : "";
            curl_free(text);
        }
    }
    curl_url_cleanup(parsed);
    return result;
}

void checkListing(const std::string& name)
{
    if (name.empty() || name.size() > 250 || name.find_first_of(std::string("/\0", 2)) != std::string::npos)
        return;
    const std::string file = cacheFolder() + "/" + name + ".vxa";
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    check(fd >= 0);
    ::close(fd);
    const std::vector<std::string> listed = findFileNames(tsm::hostToDos(cacheFolder()) + "\\*.vxa");
    ::unlink(file.c_str());
    check(listed.size() == 1 && listed[0] == name + ".vxa");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name = inputText(data, size);
    checkListing(name);
    if (Web::isPlainRequestPath(name)) {
        check(requested("http://127.0.0.1:2301/" + name + "/vxasupport.xml?DTD_VERSION=1.1") ==
              "127.0.0.1|2301|/" + name + "/vxasupport.xml?DTD_VERSION=1.1");
        check(name.find('?') == std::string::npos);
        check(requested("https://127.0.0.1:2381/Peer/" + name) == "127.0.0.1|2381|/Peer/" + name);
    }
    return 0;
}
