#include "platform/AddressBook.h"

#include <mutex>

namespace mw {

namespace {

class DesktopAddressBook : public AddressBook {
public:
    std::vector<Person> people() override { return {}; }
};

std::mutex gLock;
std::shared_ptr<AddressBook>& installed()
{
    static std::shared_ptr<AddressBook> book = std::make_shared<DesktopAddressBook>();
    return book;
}

} // namespace

std::shared_ptr<AddressBook> AddressBook::sharedInstance()
{
    std::lock_guard guard(gLock);
    return installed();
}

std::shared_ptr<AddressBook> AddressBook::replaceSharedInstance(std::shared_ptr<AddressBook> book)
{
    std::lock_guard guard(gLock);
    if (!book) book = std::make_shared<DesktopAddressBook>();
    std::swap(book, installed());
    return book;
}

} // namespace mw
