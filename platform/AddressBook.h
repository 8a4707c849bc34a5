#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace mw {

// The people of the user's address book, in the book's order. The desktop
// offers an empty book; tests install a scripted one. Main thread.
class AddressBook {
public:
    struct Person {
        std::string firstName; // empty when the person has none
        std::string lastName;
        int32_t recordId = -1; // -1: no record id
        // (label, value) pairs in the book's order.
        std::vector<std::pair<std::string, std::string>> emailAddresses;
        std::vector<std::pair<std::string, std::string>> phoneNumbers;
    };

    static std::shared_ptr<AddressBook> sharedInstance();
    // Installs a book, or the desktop's again for null; answers the previous.
    static std::shared_ptr<AddressBook> replaceSharedInstance(std::shared_ptr<AddressBook> book);

    virtual ~AddressBook() = default;
    // Empty when the book is empty or cannot be read.
    virtual std::vector<Person> people() = 0;
    // The picture of the person with that record id, as PNG or JPEG bytes;
    // empty when there is none (the desktop's book has none).
    virtual std::vector<uint8_t> pictureForRecord(int32_t recordId) { return {}; }
};

} // namespace mw
