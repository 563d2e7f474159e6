#include "tests/services/ServiceTestSupport.h"

#include "tests/support/ChildProcess.h"

#include <stdexcept>

namespace Corvana::Testing {
namespace {

namespace fs = std::filesystem;

void runOrThrow(const std::vector<std::string>& arguments) {
    const CommandRun run = runCommand(arguments);
    if (run.exitCode != 0) throw std::runtime_error(arguments[0] + " failed: " + run.errors);
}

// An EC key and certificate "stem.pem"/"stem.key", issued by `ca` or self-signed when `ca` is empty.
void makeCertificate(const fs::path& folder, const std::string& stem, const std::string& subject,
                     const std::string& ca, const std::string& extensions) {
    const auto file = [&](const std::string& name) { return (folder / name).string(); };
    writeText(file(stem + ".ext"), extensions);
    const std::vector<std::string> key = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                                          "-keyout", file(stem + ".key"), "-subj", "/CN=" + subject};
    std::vector<std::string> request = {"openssl", "req"};
    request.insert(request.end(), key.begin(), key.end());
    if (ca.empty()) {
        request.insert(request.end(), {"-x509", "-days", "3", "-out", file(stem + ".pem"), "-extensions", "v3",
                                       "-config", file(stem + ".ext")});
        return runOrThrow(request);
    }
    request.insert(request.end(), {"-new", "-out", file(stem + ".csr")});
    runOrThrow(request);
    runOrThrow({"openssl", "x509", "-req", "-in", file(stem + ".csr"), "-CA", file(ca + ".pem"), "-CAkey",
                file(ca + ".key"), "-CAcreateserial", "-days", "3", "-out", file(stem + ".pem"), "-extfile",
                file(stem + ".ext")});
}

const std::string rootExtensions = "[req]\ndistinguished_name=dn\n[dn]\n[v3]\nbasicConstraints=critical,CA:TRUE\n"
                                   "keyUsage=critical,keyCertSign,cRLSign\n";
const std::string serverExtensions = "extendedKeyUsage=serverAuth\nsubjectAltName=IP:127.0.0.1\n";
const std::string signingExtensions = "keyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n";

} // namespace

const TestPki& TestPki::instance() {
    static const TempDir store;  // removed when the program ends
    static const TestPki pki = [] {
        TestPki made{store.path(), {}};
        makeCertificate(made.folder, "root", "Corvana Test Root", "", rootExtensions);
        makeCertificate(made.folder, "rogue-root", "Rogue Root", "", rootExtensions);
        makeCertificate(made.folder, "server", "127.0.0.1", "root", serverExtensions);
        makeCertificate(made.folder, "rogue-server", "127.0.0.1", "rogue-root", serverExtensions);
        for (const char* signer : {"Dravik", "dravik", "Someone-Else"})
            makeCertificate(made.folder, signer, signer == std::string("Someone-Else") ? "Someone Else" : signer,
                            "root", signingExtensions);
        makeCertificate(made.folder, "rogue-Dravik", "Dravik", "rogue-root", signingExtensions);
        made.trustedRoot = (made.folder / "root.pem").string();
        return made;
    }();
    return pki;
}

void TestPki::sign(const fs::path& input, const fs::path& output, const std::string& signer) const {
    runOrThrow({"osslsigncode", "sign", "-certs", (folder / (signer + ".pem")).string(), "-key",
                (folder / (signer + ".key")).string(), "-in", input.string(), "-out", output.string()});
}

std::vector<std::uint8_t> minimalPeImage() {
    // DOS header pointing at "PE\0\0", an i386 COFF header with one section,
    // a PE32 optional header with 16 data directories, and a 512-byte section.
    static const std::vector<std::pair<std::size_t, std::uint32_t>> fields = {
        {0x00, 0x5A4D},     {0x3c, 0x40},       {0x40, 0x4550},     {0x44, 0x1014c},   {0x54, 0x010200E0},
        {0x58, 0x10b},      {0x5c, 0x200},      {0x68, 0x1000},     {0x6c, 0x1000},    {0x70, 0x2000},
        {0x74, 0x400000},   {0x78, 0x1000},     {0x7c, 0x200},      {0x80, 4},         {0x88, 4},
        {0x90, 0x2000},     {0x94, 0x200},      {0x9c, 2},          {0xa0, 0x100000},  {0xa4, 0x1000},
        {0xa8, 0x100000},   {0xac, 0x1000},     {0xb4, 16},         {0x138, 0x7865742e}, {0x13c, 0x74},
        {0x140, 0x10},      {0x144, 0x1000},    {0x148, 0x200},     {0x14c, 0x200},    {0x15c, 0x60000020},
        {0x200, 0xC3}};
    std::vector<std::uint8_t> image(0x400, 0);
    for (const auto& [offset, value] : fields)
        for (std::size_t i = 0; i < 4; ++i) image[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return image;
}

TestHttpsServer::TestHttpsServer(const std::string& certificate) {
    const fs::path stem = TestPki::instance().folder / certificate;
    server = std::make_unique<httplib::SSLServer>((stem.string() + ".pem").c_str(), (stem.string() + ".key").c_str());
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        answer(request, response);
    };
    server->Get(".*", handler);
    server->Post(".*", handler);
    port = server->bind_to_any_port("127.0.0.1");  // listening from here on
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
    TestReply reply(404);
    {
        std::lock_guard lock(mutex);
        ReceivedRequest record{request.method, request.path, "", request.body, {}};
        for (const auto& [name, value] : request.params)
            record.query += (record.query.empty() ? "" : "&") + name + "=" + value;
        for (const auto& [name, value] : request.headers) record.headers[name] = value;
        requests.push_back(std::move(record));
        if (auto& queue = replies[request.path]; !queue.empty()) {
            reply = queue.front();
            if (queue.size() > 1) queue.pop_front();
        }
    }
    response.status = reply.status;
    if (!reply.location.empty()) response.set_header("Location", reply.location);
    if (reply.streamedBytes == 0) {
        if (!reply.body.empty()) response.set_content(reply.body, "application/octet-stream");
        return;
    }
    response.set_content_provider(reply.streamedBytes, "application/octet-stream",
                                  [](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                      static const std::string zeros(65536, '\0');
                                      return sink.write(zeros.data(), std::min(length, zeros.size()));
                                  });
}

ZipCheck checkBase64Zip(const std::string& text) {
    TempDir folder;
    writeText(folder.file("bundle.b64"), text);
    const std::string zip = folder.file("bundle.zip").string();
    const CommandRun python = runCommand(
        {"python3", "-c",
         "import base64, sys, zipfile\n"
         "open(sys.argv[2], 'wb').write(base64.b64decode(open(sys.argv[1]).read(), validate=True))\n"
         "z = zipfile.ZipFile(sys.argv[2])\n"
         "if z.testzip(): sys.exit('bad CRC')\n"
         "for i in z.infolist(): print(i.filename, i.compress_type, i.date_time[:3])\n",
         folder.file("bundle.b64").string(), zip});
    return {runCommand({"unzip", "-tq", zip}).exitCode == 0,
            splitLines(python.exitCode == 0 ? python.output : "python: " + python.errors)};
}

} // namespace Corvana::Testing
