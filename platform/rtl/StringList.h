#pragma once
// The class library's string list: an ordered list of texts, optionally kept sorted, with a duplicates rule
// and a case rule (ASCII case folding when CaseSensitive is false).

#include <string>
#include <string_view>
#include <vector>

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& operator[](int index) const;  // raises EListError "List index out of bounds (i)"
    const std::string& Strings(int index) const { return (*this)[index]; }
    void Put(int index, std::string text);

    // Sorted: inserts at the sorted place and applies Duplicates (dupError raises "String list does not allow
    // duplicates"); the result is the index, or -1 when dupIgnore dropped the text. Unsorted: appends.
    int Add(std::string text);
    void Insert(int index, std::string text);  // raises EListError on a sorted list
    void Delete(int index);
    void Clear() { items_.clear(); }
    int IndexOf(std::string_view text) const;
    bool Find(std::string_view text, int& index) const;  // binary search of a sorted list
    void Sort();

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);

    // "name=value" lines.
    int IndexOfName(std::string_view name) const;
    std::string Names(int index) const;
    std::string Values(std::string_view name) const;
    std::string ValueFromIndex(int index) const;

    // The lines joined, each followed by CR LF; setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(std::string_view text);

    std::vector<std::string>::const_iterator begin() const { return items_.begin(); }
    std::vector<std::string>::const_iterator end() const { return items_.end(); }

private:
    int Compare(std::string_view a, std::string_view b) const;
    void CheckIndex(int index) const;

    std::vector<std::string> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
};
