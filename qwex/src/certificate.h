// The server's own TLS certificate and key, made on first start.
#ifndef QWEX_CERTIFICATE_H
#define QWEX_CERTIFICATE_H

#include <string>

namespace qwex {

struct CertificateFiles {
    std::string certificatePath; // PEM, also the trust anchor of the client calls
    std::string keyPath; // PEM, mode 0600
};

// Makes a self-signed certificate for 127.0.0.1 and localhost with its key in
// directory unless both files exist. False (with a message) on failure.
bool ensureCertificate(const std::string& directory, CertificateFiles& files, std::string& error);

// Whole content of a file; false if it cannot be read.
bool readWholeFile(const std::string& path, std::string& content);

} // namespace qwex

#endif
