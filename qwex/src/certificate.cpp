// Self-signed server certificate with GnuTLS.
#include "certificate.h"

#include <tsm/atomicfile.h>

#include <fcntl.h>
#include <gnutls/crypto.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <sys/stat.h>

#include <arpa/inet.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

namespace qwex {
namespace {

struct KeyDeleter {
    void operator()(gnutls_x509_privkey_t key) const { gnutls_x509_privkey_deinit(key); }
};
struct CrtDeleter {
    void operator()(gnutls_x509_crt_t crt) const { gnutls_x509_crt_deinit(crt); }
};
using Key = std::unique_ptr<std::remove_pointer_t<gnutls_x509_privkey_t>, KeyDeleter>;
using Crt = std::unique_ptr<std::remove_pointer_t<gnutls_x509_crt_t>, CrtDeleter>;

constexpr time_t kTenYears = 10 * 366 * 24 * 3600;

bool fileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool exportPem(int (*exporter)(void*, gnutls_x509_crt_fmt_t, gnutls_datum_t*), void* object, const std::string& path,
               mode_t mode)
{
    gnutls_datum_t pem{};
    if (exporter(object, GNUTLS_X509_FMT_PEM, &pem) < 0)
        return false;
    const bool written =
        tsm::writeFileAtomically(path, std::string(reinterpret_cast<const char*>(pem.data), pem.size), mode);
    gnutls_free(pem.data);
    return written;
}

int exportKey(void* key, gnutls_x509_crt_fmt_t format, gnutls_datum_t* out)
{
    return gnutls_x509_privkey_export2(static_cast<gnutls_x509_privkey_t>(key), format, out);
}

int exportCrt(void* crt, gnutls_x509_crt_fmt_t format, gnutls_datum_t* out)
{
    return gnutls_x509_crt_export2(static_cast<gnutls_x509_crt_t>(crt), format, out);
}

// Fills crt as a server certificate for loopback, signed by its own key.
bool buildCertificate(gnutls_x509_crt_t crt, gnutls_x509_privkey_t key)
{
    unsigned char serial[16];
    if (gnutls_rnd(GNUTLS_RND_NONCE, serial, sizeof serial) < 0)
        return false;
    serial[0] &= 0x7f;
    const time_t now = std::time(nullptr);
    in_addr loopback{};
    ::inet_pton(AF_INET, "127.0.0.1", &loopback);
    const char* error = nullptr;
    return gnutls_x509_crt_set_version(crt, 3) >= 0 && gnutls_x509_crt_set_serial(crt, serial, sizeof serial) >= 0 &&
           gnutls_x509_crt_set_activation_time(crt, now - 3600) >= 0 &&
           gnutls_x509_crt_set_expiration_time(crt, now + kTenYears) >= 0 &&
           gnutls_x509_crt_set_dn(crt, "CN=localhost,O=Management HTTP Server", &error) >= 0 &&
           gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_DNSNAME, "localhost", 9, GNUTLS_FSAN_APPEND) >= 0 &&
           gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_IPADDRESS, &loopback, sizeof loopback,
                                                GNUTLS_FSAN_APPEND) >= 0 &&
           gnutls_x509_crt_set_basic_constraints(crt, 0, -1) >= 0 &&
           gnutls_x509_crt_set_key_usage(crt, GNUTLS_KEY_DIGITAL_SIGNATURE | GNUTLS_KEY_KEY_ENCIPHERMENT) >= 0 &&
           gnutls_x509_crt_set_key_purpose_oid(crt, GNUTLS_KP_TLS_WWW_SERVER, 0) >= 0 &&
           gnutls_x509_crt_set_key(crt, key) >= 0 && gnutls_x509_crt_sign2(crt, crt, key, GNUTLS_DIG_SHA256, 0) >= 0;
}

} // namespace

bool readWholeFile(const std::string& path, std::string& content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    content = text.str();
    return true;
}

bool ensureCertificate(const std::string& directory, CertificateFiles& files, std::string& error)
{
    files.certificatePath = directory + "/server.crt";
    files.keyPath = directory + "/server.key";
    if (fileExists(files.certificatePath) && fileExists(files.keyPath)) {
        // Whoever copied or opened the key, it stays readable by its owner only.
        if (::chmod(files.keyPath.c_str(), 0600) != 0) {
            error = "cannot make the server key private: " + files.keyPath;
            return false;
        }
        return true;
    }
    gnutls_x509_privkey_t rawKey = nullptr;
    gnutls_x509_crt_t rawCrt = nullptr;
    if (gnutls_x509_privkey_init(&rawKey) < 0) {
        error = "cannot create a key";
        return false;
    }
    Key key(rawKey);
    if (gnutls_x509_crt_init(&rawCrt) < 0) {
        error = "cannot create a certificate";
        return false;
    }
    Crt crt(rawCrt);
    if (gnutls_x509_privkey_generate(key.get(), GNUTLS_PK_ECDSA, GNUTLS_CURVE_TO_BITS(GNUTLS_ECC_CURVE_SECP256R1), 0) <
            0 ||
        !buildCertificate(crt.get(), key.get())) {
        error = "cannot make the server certificate";
        return false;
    }
    if (!exportPem(exportKey, key.get(), files.keyPath, 0600) ||
        !exportPem(exportCrt, crt.get(), files.certificatePath, 0644)) {
        error = "cannot write the server certificate to " + directory;
        return false;
    }
    return true;
}

} // namespace qwex
