#include "tests/support/SessionAccount.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "tools/harness/RunProgram.h"

namespace tarvo::test {

namespace {

namespace fs = std::filesystem;

const std::string kPrefix = "tarvoftp";  // followed by the owning process's id
constexpr size_t kPasswordLength = 24;

// Letters and digits only: nothing a shell, chpasswd's "name:password" line or an FTP command would read apart.
std::string RandomPassword() {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::ifstream random("/dev/urandom", std::ios::binary);
    std::string password;
    while (random && password.size() < kPasswordLength) {
        const unsigned char byte = static_cast<unsigned char>(random.get());
        if (byte < 248)  // 248 = 4 * 62: every character equally likely
            password += kAlphabet[byte % 62];
    }
    return password.size() == kPasswordLength ? password : "";
}

// The process a session account was made for; 0 for the fixed name of earlier versions, -1 for no such account.
pid_t OwnerOf(const std::string& name) {
    if (name.rfind(kPrefix, 0) != 0)
        return -1;
    const std::string digits = name.substr(kPrefix.size());
    if (digits.empty())
        return 0;
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return static_cast<pid_t>(std::stol(digits));
}

fs::path WithoutSlash(const std::string& path) {
    fs::path p = fs::path(path).lexically_normal();
    return p.has_filename() ? p : p.parent_path();
}

bool Orphaned(const std::string& name) {
    const pid_t owner = OwnerOf(name);
    return owner == 0 || (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH);
}

std::vector<std::string> SessionAccountNames() {
    std::vector<std::string> names;
    std::ifstream accounts("/etc/passwd");
    std::string line;
    while (std::getline(accounts, line)) {
        const std::string name = line.substr(0, line.find(':'));
        if (OwnerOf(name) >= 0)
            names.push_back(name);
    }
    return names;
}

std::mutex accountMutex;
std::weak_ptr<const SessionAccount> current;

}  // namespace

SessionAccount::SessionAccount(std::string name, std::string password, uid_t uid, gid_t gid)
    : name_(std::move(name)), password_(std::move(password)), uid_(uid), gid_(gid), owner_(::getpid()) {}

SessionAccount::~SessionAccount() {
    if (::getpid() == owner_)
        ProgramSucceeds({"/usr/sbin/userdel", name_});
}

std::shared_ptr<const SessionAccount> SessionAccount::Acquire(std::string& why) {
    std::lock_guard<std::mutex> guard(accountMutex);
    if (auto account = current.lock())
        return account;
    if (::geteuid() != 0) {
        why = "the FTP server needs root: it runs each session as a local account";
        return nullptr;
    }
    RemoveOrphanedSessionAccounts();
    const std::string name = kPrefix + std::to_string(::getpid());
    const std::string password = RandomPassword();
    if (password.empty()) {
        why = "cannot read /dev/urandom for the session account's password";
        return nullptr;
    }
    // No home and no shell: the account serves FTP sessions on loopback and nothing else.
    if (!ProgramSucceeds({"/usr/sbin/useradd", "-M", "-d", "/", "-s", "/usr/sbin/nologin", name})) {
        why = "useradd cannot make the session account " + name;
        return nullptr;
    }
    const passwd* pw = ::getpwnam(name.c_str());
    std::shared_ptr<const SessionAccount> account(
        new SessionAccount(name, password, pw ? pw->pw_uid : 0, pw ? pw->pw_gid : 0));
    if (!pw || !RunWithInput("/usr/sbin/chpasswd 2>/dev/null", name + ":" + password + "\n")) {
        why = "cannot set the password of the session account " + name;
        return nullptr;  // the account goes with the object
    }
    current = account;
    return account;
}

bool SessionAccount::Serve(const std::string& folder, const std::string& top) const {
    // The folders between, found first: a top that is not above the folder changes nothing outside it.
    std::vector<fs::path> between;
    if (!top.empty()) {
        const fs::path last = WithoutSlash(top);
        for (fs::path p = WithoutSlash(folder).parent_path(); p != last; p = p.parent_path()) {
            if (!p.has_relative_path())
                return false;
            between.push_back(p);
        }
        between.push_back(last);
    }
    if (::chown(folder.c_str(), uid_, gid_) != 0)
        return false;
    for (const fs::path& p : between) {
        struct stat s {};
        if (::stat(p.c_str(), &s) != 0 || ::chown(p.c_str(), static_cast<uid_t>(-1), gid_) != 0 ||
            ::chmod(p.c_str(), (s.st_mode & 07777 & ~S_IRWXO) | S_IXGRP) != 0)
            return false;
    }
    return true;
}

bool SessionAccount::HandOver(const std::string& file) const {
    return ::chown(file.c_str(), uid_, gid_) == 0;
}

std::string RemoveOrphanedSessionAccounts() {
    std::string removed;
    for (const std::string& name : SessionAccountNames()) {
        if (Orphaned(name) && ProgramSucceeds({"/usr/sbin/userdel", name}))
            removed += (removed.empty() ? "" : " ") + name;
    }
    return removed;
}

}  // namespace tarvo::test
