#include "platform/rtl/StringList.h"

#include <algorithm>

#include "platform/rtl/SysUtils.h"

int TStringList::Compare(std::string_view a, std::string_view b) const {
    if (!caseSensitive_)
        return CompareText(a, b);
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {index}));
}

const std::string& TStringList::operator[](int index) const {
    CheckIndex(index);
    return items_[index];
}

void TStringList::Put(int index, std::string text) {
    if (sorted_)
        throw EListError("Operation not allowed on sorted list");
    CheckIndex(index);
    items_[index] = std::move(text);
}

int TStringList::Add(std::string text) {
    if (!sorted_) {
        items_.push_back(std::move(text));
        return Count() - 1;
    }
    int index;
    if (Find(text, index)) {
        if (duplicates_ == dupIgnore)
            return -1;
        if (duplicates_ == dupError)
            throw EListError("String list does not allow duplicates");
    }
    items_.insert(items_.begin() + index, std::move(text));
    return index;
}

void TStringList::Insert(int index, std::string text) {
    if (sorted_)
        throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count())
        throw EListError(Format("List index out of bounds (%d)", {index}));
    items_.insert(items_.begin() + index, std::move(text));
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(std::string_view text) const {
    if (sorted_) {
        int index;
        return Find(text, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(items_[i], text) == 0)
            return i;
    return -1;
}

bool TStringList::Find(std::string_view text, int& index) const {
    // Lower bound; with dupAccept the first of equal texts.
    int lo = 0, hi = Count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (Compare(items_[mid], text) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo;
    return lo < Count() && Compare(items_[lo], text) == 0;
}

void TStringList::Sort() {
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const std::string& a, const std::string& b) { return Compare(a, b) < 0; });
}

void TStringList::SetSorted(bool sorted) {
    if (sorted && !sorted_)
        Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
    caseSensitive_ = caseSensitive;
    if (sorted_)
        Sort();
}

int TStringList::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        size_t eq = items_[i].find('=');
        if (eq != std::string::npos && Compare(std::string_view(items_[i]).substr(0, eq), name) == 0)
            return i;
    }
    return -1;
}

std::string TStringList::Names(int index) const {
    const std::string& s = (*this)[index];
    size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int index) const {
    const std::string& s = (*this)[index];
    size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

std::string TStringList::Values(std::string_view name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

std::string TStringList::Text() const {
    std::string out;
    for (const auto& s : items_)
        out += s + "\r\n";
    return out;
}

void TStringList::SetText(std::string_view text) {
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find_first_of("\r\n", i);
        if (j == std::string_view::npos)
            j = text.size();
        items_.emplace_back(text.substr(i, j - i));
        if (j < text.size() && text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n')
            ++j;
        i = j + 1;
    }
    if (sorted_)
        Sort();
}
