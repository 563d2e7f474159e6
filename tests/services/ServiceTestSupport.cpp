#include "tests/services/ServiceTestSupport.h"

#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace Corvana::Testing {
namespace {

namespace fs = std::filesystem;

void runOrThrow(const std::vector<std::string>& arguments) {
    const CommandRun run = runCommand(arguments);
    if (run.exitCode != 0) throw std::runtime_error(arguments[0] + " " + arguments[1] + " failed: " + run.errors);
}

// An EC key and a certificate for `subject`, signed by the CA at `caStem`
// (".pem"/".key"), or self-signed as a root when `caStem` is empty.
void makeCertificate(const fs::path& folder, const std::string& stem, const std::string& subject,
                     const std::string& caStem, const std::string& extensions) {
    const std::string key = (folder / (stem + ".key")).string();
    const std::string cert = (folder / (stem + ".pem")).string();
    const std::string extFile = (folder / (stem + ".ext")).string();
    writeText(extFile, extensions);
    if (caStem.empty()) {
        runOrThrow({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-keyout", key, "-out", cert, "-days", "3", "-subj", "/CN=" + subject, "-extensions",
                    "v3", "-config", extFile});
        return;
    }
    const std::string request = (folder / (stem + ".csr")).string();
    runOrThrow({"openssl", "req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-keyout", key, "-out", request, "-subj", "/CN=" + subject});
    runOrThrow({"openssl", "x509", "-req", "-in", request, "-CA", (folder / (caStem + ".pem")).string(), "-CAkey",
                (folder / (caStem + ".key")).string(), "-CAcreateserial", "-out", cert, "-days", "3", "-extfile",
                extFile});
}

const std::string rootExtensions =
    "[req]\ndistinguished_name=dn\n[dn]\n[v3]\nbasicConstraints=critical,CA:TRUE\n"
    "keyUsage=critical,keyCertSign,cRLSign\nsubjectKeyIdentifier=hash\n";
const std::string serverExtensions =
    "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=serverAuth\nsubjectAltName=IP:127.0.0.1\n";
const std::string signingExtensions =
    "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n";

void putU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

const TestPki& TestPki::instance() {
    static const TestPki pki = [] {
        TestPki made;
        made.folder = fs::temp_directory_path() / ("corvana-pki-" + std::to_string(::getpid()));
        fs::create_directories(made.folder);
        makeCertificate(made.folder, "root", "Corvana Test Root", "", rootExtensions);
        makeCertificate(made.folder, "rogue-root", "Rogue Root", "", rootExtensions);
        makeCertificate(made.folder, "server", "127.0.0.1", "root", serverExtensions);
        makeCertificate(made.folder, "rogue-server", "127.0.0.1", "rogue-root", serverExtensions);
        makeCertificate(made.folder, "Dravik", "Dravik", "root", signingExtensions);
        makeCertificate(made.folder, "dravik", "dravik", "root", signingExtensions);
        makeCertificate(made.folder, "Someone Else", "Someone Else", "root", signingExtensions);
        makeCertificate(made.folder, "rogue Dravik", "Dravik", "rogue-root", signingExtensions);
        made.trustedRoot = (made.folder / "root.pem").string();
        made.serverCert = (made.folder / "server.pem").string();
        made.serverKey = (made.folder / "server.key").string();
        made.rogueServerCert = (made.folder / "rogue-server.pem").string();
        made.rogueServerKey = (made.folder / "rogue-server.key").string();
        return made;
    }();
    return pki;
}

void TestPki::sign(const fs::path& input, const fs::path& output, const std::string& signer) const {
    runOrThrow({"osslsigncode", "sign", "-certs", (folder / (signer + ".pem")).string(), "-key",
                (folder / (signer + ".key")).string(), "-h", "sha256", "-in", input.string(), "-out",
                output.string()});
}

std::vector<std::uint8_t> minimalPeImage(std::uint8_t marker) {
    // DOS header, "PE\0\0", a COFF header for i386 with one section, a PE32
    // optional header with 16 data directories, one section of 512 bytes.
    std::vector<std::uint8_t> image(0x400, 0);
    image[0] = 'M';
    image[1] = 'Z';
    putU32(image, 0x3c, 0x40);
    std::memcpy(&image[0x40], "PE\0\0", 4);
    putU16(image, 0x44, 0x14c);  // machine
    putU16(image, 0x46, 1);      // sections
    putU16(image, 0x54, 0xE0);   // optional header size
    putU16(image, 0x56, 0x0102); // executable, 32-bit
    const std::size_t optional = 0x58;
    putU16(image, optional, 0x10b);
    putU32(image, optional + 4, 0x200);     // size of code
    putU32(image, optional + 16, 0x1000);   // entry point
    putU32(image, optional + 20, 0x1000);   // base of code
    putU32(image, optional + 24, 0x2000);   // base of data
    putU32(image, optional + 28, 0x400000); // image base
    putU32(image, optional + 32, 0x1000);   // section alignment
    putU32(image, optional + 36, 0x200);    // file alignment
    putU16(image, optional + 40, 4);        // OS version
    putU16(image, optional + 48, 4);        // subsystem version
    putU32(image, optional + 56, 0x2000);   // size of image
    putU32(image, optional + 60, 0x200);    // size of headers
    putU16(image, optional + 68, 2);        // GUI subsystem
    putU32(image, optional + 72, 0x100000); // stack reserve
    putU32(image, optional + 76, 0x1000);
    putU32(image, optional + 80, 0x100000); // heap reserve
    putU32(image, optional + 84, 0x1000);
    putU32(image, optional + 92, 16);       // data directories
    const std::size_t section = optional + 0xE0;
    std::memcpy(&image[section], ".text", 5);
    putU32(image, section + 8, 0x10);
    putU32(image, section + 12, 0x1000);
    putU32(image, section + 16, 0x200);
    putU32(image, section + 20, 0x200);
    putU32(image, section + 36, 0x60000020);
    image[0x200] = marker;
    return image;
}

TestHttpsServer::TestHttpsServer(bool rogueCertificate) {
    const TestPki& pki = TestPki::instance();
    server = rogueCertificate
                 ? std::make_unique<httplib::SSLServer>(pki.rogueServerCert.c_str(), pki.rogueServerKey.c_str())
                 : std::make_unique<httplib::SSLServer>(pki.serverCert.c_str(), pki.serverKey.c_str());
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        answer(request, response);
    };
    server->Get(".*", handler);
    server->Post(".*", handler);
    port = server->bind_to_any_port("127.0.0.1");
    listener = std::thread([this] { server->listen_after_bind(); });
}

TestHttpsServer::~TestHttpsServer() {
    server->stop();
    listener.join();
}

void TestHttpsServer::setReplies(const std::string& path, std::vector<TestReply> list) {
    std::lock_guard lock(mutex);
    replies[path] = std::deque<TestReply>(list.begin(), list.end());
}

std::vector<ReceivedRequest> TestHttpsServer::received() const {
    std::lock_guard lock(mutex);
    return requests;
}

void TestHttpsServer::answer(const httplib::Request& request, httplib::Response& response) {
    TestReply reply{404, "", "", 0};
    {
        std::lock_guard lock(mutex);
        ReceivedRequest record{request.method, request.path, "", {}, request.body};
        for (const auto& [name, value] : request.params)
            record.query += (record.query.empty() ? "" : "&") + name + "=" + value;
        for (const auto& [name, value] : request.headers) record.headers[name] = value;
        requests.push_back(std::move(record));
        auto found = replies.find(request.path);
        if (found != replies.end() && !found->second.empty()) {
            reply = found->second.front();
            if (found->second.size() > 1) found->second.pop_front();
        }
    }
    response.status = reply.status;
    if (!reply.location.empty()) response.set_header("Location", reply.location);
    if (reply.streamedBytes == 0) {
        if (!reply.body.empty()) response.set_content(reply.body, "application/octet-stream");
        return;
    }
    response.set_content_provider(
        reply.streamedBytes, "application/octet-stream",
        [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            static const std::string zeros(65536, '\0');
            (void)offset;
            return sink.write(zeros.data(), std::min(length, zeros.size()));
        });
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : variable(std::move(name)) {
    if (const char* old = std::getenv(variable.c_str())) previous = old;
    ::setenv(variable.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (previous)
        ::setenv(variable.c_str(), previous->c_str(), 1);
    else
        ::unsetenv(variable.c_str());
}

ZipCheck checkZip(const std::vector<std::uint8_t>& archive) {
    TempDir folder;
    const fs::path file = folder.file("bundle.zip");
    writeBytes(file, archive);
    ZipCheck check;
    check.unzipOk = runCommand({"unzip", "-tq", file.string()}).exitCode == 0;
    const CommandRun python = runCommand(
        {"python3", "-c",
         "import sys, zipfile\n"
         "z = zipfile.ZipFile(sys.argv[1])\n"
         "bad = z.testzip()\n"
         "if bad: sys.exit('bad CRC in ' + bad)\n"
         "for i in z.infolist(): print(i.filename, i.compress_type, i.date_time[:3])\n",
         file.string()});
    check.entries = splitLines(python.exitCode == 0 ? python.output : "python: " + python.errors);
    return check;
}

std::vector<std::uint8_t> decodeBase64(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.size() / 4 * 3 + 3);
    const int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                       static_cast<int>(text.size()));
    if (length < 0) return {};
    std::size_t size = static_cast<std::size_t>(length);
    // EVP_DecodeBlock keeps the zero bytes that the padding stands for.
    if (!text.empty() && text.back() == '=') --size;
    if (text.size() > 1 && text[text.size() - 2] == '=') --size;
    bytes.resize(size);
    return bytes;
}

} // namespace Corvana::Testing
