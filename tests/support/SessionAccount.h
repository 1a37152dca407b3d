#pragma once
// The local account that vsftpd, proftpd and pure-ftpd run their sessions as (they need root to switch to it).
// It belongs to one test or benchmark process: made when the first server needs it, with a password of its own
// that lives only in this process's memory (handed to chpasswd on its input, never on a command line or in a
// file another user can read), and removed when the last server using it lets it go. One whose process died
// before it could remove it is removed by the next process that makes one, and by RemoveOrphanedSessionAccounts
// at the end of a test run.

#include <sys/types.h>

#include <memory>
#include <string>

namespace tarvo::test {

class SessionAccount {
public:
    // The process's account, made when no server holds it yet; null, with the reason in why, when it cannot be
    // made (not root, useradd missing or refusing).
    static std::shared_ptr<const SessionAccount> Acquire(std::string& why);

    SessionAccount(const SessionAccount&) = delete;
    SessionAccount& operator=(const SessionAccount&) = delete;
    ~SessionAccount();

    const std::string& Name() const { return name_; }
    const std::string& Password() const { return password_; }
    uid_t Uid() const { return uid_; }
    gid_t Gid() const { return gid_; }

    // Lets the account reach folder, which it gets, through the folders from top down to it: they are handed to
    // its group, which may pass through them, while other users still may not.
    bool Serve(const std::string& folder, const std::string& top) const;
    // Hands a file the test put into the served folder to the account (a sealed file is its owner's alone).
    bool HandOver(const std::string& file) const;

private:
    SessionAccount(std::string name, std::string password, uid_t uid, gid_t gid);

    std::string name_;
    std::string password_;
    uid_t uid_;
    gid_t gid_;
    pid_t owner_;  // a forked child that ends normally must not remove its parent's account
};

// Removes the session accounts of processes that no longer run, and the account of earlier versions that kept a
// password written in the source. The names of those removed.
std::string RemoveOrphanedSessionAccounts();

}  // namespace tarvo::test
