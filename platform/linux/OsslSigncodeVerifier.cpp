#include "platform/SignatureVerifier.h"

#include "platform/PrivateFiles.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Corvana {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    bool started = false;
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs osslsigncode with `arguments` directly (no shell) and collects its output.
ProgramRun runSigncode(std::vector<std::string> arguments) {
    ProgramRun run;
    arguments.insert(arguments.begin(), "osslsigncode");
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, "osslsigncode", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned == 0) {
        char chunk[4096];
        for (;;) {
            const ssize_t count = ::read(pipeEnds[0], chunk, sizeof chunk);
            if (count > 0) run.output.append(chunk, static_cast<std::size_t>(count));
            else if (count == 0 || errno != EINTR) break;
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        run.started = true;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ::close(pipeEnds[0]);
    return run;
}

// Removes the private work folder on every path.
struct WorkFolder {
    fs::path path = createPrivateFolder(fs::temp_directory_path(), "corvana-verify-");
    ~WorkFolder() {
        std::error_code ignored;
        if (!path.empty()) fs::remove_all(path, ignored);
    }
};

bool appendFile(std::ofstream& out, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out << in.rdbuf() << '\n';
    return true;
}

// osslsigncode takes one root file: the system's bundle and the extra roots together.
std::string trustBundle(const WorkFolder& work, const std::string& extraTrustFile) {
    const std::string bundle = (work.path / "roots.pem").string();
    std::ofstream out(bundle, std::ios::binary);
    const char* systemFile = std::getenv(X509_get_default_cert_file_env());
    appendFile(out, systemFile && *systemFile ? systemFile : X509_get_default_cert_file());
    if (!appendFile(out, extraTrustFile) || !out.flush()) return {};
    return bundle;
}

struct Pkcs7Deleter {
    void operator()(PKCS7* signature) const { PKCS7_free(signature); }
};
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

// The common name of the first signer of the file's signature; empty when unreadable.
std::string signerCommonName(const std::string& path, const WorkFolder& work) {
    const std::string signatureFile = (work.path / "signature.pem").string();
    if (runSigncode({"extract-signature", "-pem", "-in", path, "-out", signatureFile}).exitCode != 0) return {};
    std::unique_ptr<BIO, BioDeleter> input(BIO_new_file(signatureFile.c_str(), "r"));
    if (!input) return {};
    std::unique_ptr<PKCS7, Pkcs7Deleter> signature(PEM_read_bio_PKCS7(input.get(), nullptr, nullptr, nullptr));
    if (!signature) return {};
    STACK_OF(X509)* signers = PKCS7_get0_signers(signature.get(), nullptr, 0);
    if (!signers) return {};
    std::string name;
    if (sk_X509_num(signers) > 0) {
        char buffer[256] = {};
        const int length =
            X509_NAME_get_text_by_NID(X509_get_subject_name(sk_X509_value(signers, 0)), NID_commonName, buffer,
                                      sizeof buffer);
        if (length > 0) name.assign(buffer, static_cast<std::size_t>(length));
    }
    sk_X509_free(signers);
    return name;
}

// Older osslsigncode releases lack the switch and fetch nothing anyway.
bool canSkipRevocationFetch() {
    static const bool known =
        runSigncode({"verify", "--help"}).output.find("-ignore-cdp") != std::string::npos;
    return known;
}

bool equalIgnoringCase(const std::string& left, const std::string& right) {
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(left[i]) != lower(right[i])) return false;
    }
    return true;
}

} // namespace

SignatureStatus verifyInstallerSignature(const std::string& path, const std::string& expectedPublisher,
                                         const std::string& extraTrustFile) {
    WorkFolder work;
    if (work.path.empty()) return SignatureStatus::Untrusted;
    // Revocation lists named in certificates are not fetched; like the
    // system check, only what is at hand is used.
    std::vector<std::string> arguments = {"verify", "-in", path};
    if (canSkipRevocationFetch()) arguments.push_back("-ignore-cdp");
    if (!extraTrustFile.empty()) {
        const std::string bundle = trustBundle(work, extraTrustFile);
        if (bundle.empty()) return SignatureStatus::Untrusted;
        arguments.insert(arguments.end(), {"-CAfile", bundle});
    }
    const ProgramRun verified = runSigncode(arguments);
    if (!verified.started) return SignatureStatus::Untrusted;
    if (verified.exitCode != 0) {
        // A file that is not a signable format counts as unsigned, as on Windows.
        const bool noSignature = verified.output.find("No signature found") != std::string::npos ||
                                 verified.output.find("unsupported input file type") != std::string::npos;
        return noSignature ? SignatureStatus::Unsigned : SignatureStatus::Untrusted;
    }
    const std::string name = signerCommonName(path, work);
    return equalIgnoringCase(name, expectedPublisher) ? SignatureStatus::Ok : SignatureStatus::WrongPublisher;
}

} // namespace Corvana
