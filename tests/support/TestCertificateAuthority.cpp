#include "tests/support/TestCertificateAuthority.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace mw::test {

struct TestCertificateAuthority::Keys {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
};

namespace {

EVP_PKEY* makeKey() { return EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"); }

void addExtension(X509* certificate, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    ASSERT_NE(extension, nullptr) << value;
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

X509* makeCertificate(EVP_PKEY* key, const std::string& commonName, long serial)
{
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 24 * 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    return certificate;
}

void writePem(const std::string& path, X509* certificate, EVP_PKEY* key)
{
    FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr) << path;
    if (certificate) PEM_write_X509(file, certificate);
    if (key) PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(file);
}

} // namespace

TestCertificateAuthority::TestCertificateAuthority(const std::string& name)
    : keys_(new Keys())
{
    keys_->key = makeKey();
    keys_->certificate = makeCertificate(keys_->key, name, 1);
    X509_set_issuer_name(keys_->certificate, X509_get_subject_name(keys_->certificate));
    addExtension(keys_->certificate, keys_->certificate, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(keys_->certificate, keys_->certificate, NID_key_usage, "critical,keyCertSign,cRLSign");
    addExtension(keys_->certificate, keys_->certificate, NID_subject_key_identifier, "hash");
    X509_sign(keys_->certificate, keys_->key, EVP_sha256());
    certificateFile_ = folder_.file("authority.pem");
    writePem(certificateFile_, keys_->certificate, nullptr);
}

TestCertificateAuthority::~TestCertificateAuthority()
{
    X509_free(keys_->certificate);
    EVP_PKEY_free(keys_->key);
    delete keys_;
}

TestCertificateAuthority::Issued
TestCertificateAuthority::issue(const std::vector<std::string>& alternativeNames)
{
    return issueValid(alternativeNames, false);
}

TestCertificateAuthority::Issued
TestCertificateAuthority::issueExpired(const std::vector<std::string>& alternativeNames)
{
    return issueValid(alternativeNames, true);
}

TestCertificateAuthority::Issued
TestCertificateAuthority::issueValid(const std::vector<std::string>& alternativeNames, bool expired)
{
    ++issued_;
    EVP_PKEY* key = makeKey();
    X509* certificate =
        makeCertificate(key, alternativeNames.empty() ? "server" : alternativeNames[0], 1 + issued_);
    X509_set_issuer_name(certificate, X509_get_subject_name(keys_->certificate));
    if (expired) {
        X509_gmtime_adj(X509_getm_notBefore(certificate), -3 * 24 * 3600);
        X509_gmtime_adj(X509_getm_notAfter(certificate), -24 * 3600);
    }
    addExtension(certificate, keys_->certificate, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(certificate, keys_->certificate, NID_ext_key_usage, "serverAuth");
    addExtension(certificate, keys_->certificate, NID_authority_key_identifier, "keyid:always");
    std::string names;
    for (const std::string& alternative : alternativeNames) names += (names.empty() ? "" : ",") + alternative;
    if (!names.empty()) addExtension(certificate, keys_->certificate, NID_subject_alt_name, names);
    X509_sign(certificate, keys_->key, EVP_sha256());
    Issued issued { folder_.file("server" + std::to_string(issued_) + ".pem"),
                    folder_.file("server" + std::to_string(issued_) + ".key") };
    writePem(issued.certificateFile, certificate, nullptr);
    writePem(issued.keyFile, nullptr, key);
    X509_free(certificate);
    EVP_PKEY_free(key);
    return issued;
}

} // namespace mw::test
