#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "social/session/CCPrivateSession.h"
#include "tests/social/SocialFixture.h"

namespace mw {
namespace {

class DeviceQuestionsTest : public test::SocialFixture {
protected:
    CCPrivateSession& session() { return *CCPrivateSession::sharedInstance(); }
};

TEST_F(DeviceQuestionsTest, SystemVersionsByTheirFirstComponent)
{
    struct Row {
        const char* version;
        bool is2, is3, is4, pre5;
    };
    const Row rows[] = {
        {"2.2.1", true, false, false, true},   {"3.1.3", false, true, false, true},
        {"4.3", false, false, true, true},     {"5.0", false, false, false, false},
        {"6.1.0-18-amd64", false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.version);
        facts_->version = row.version;
        EXPECT_EQ(session().is2dotXOSVersion(), row.is2);
        EXPECT_EQ(session().is3dotXOSVersion(), row.is3);
        EXPECT_EQ(session().is4dotXOSVersion(), row.is4);
        EXPECT_EQ(session().isOnPreiOS5(), row.pre5);
    }
}

TEST_F(DeviceQuestionsTest, ThePadAnswerIsDecidedOnce)
{
    facts_->pad = true;
    EXPECT_TRUE(session().isRunningOniPad());
    facts_->pad = false;
    EXPECT_TRUE(session().isRunningOniPad()) << "cached for the process";
}

TEST_F(DeviceQuestionsTest, DeviceAbilitiesComeFromTheFacts)
{
    for (bool able : {true, false}) {
        facts_->multitasking = able;
        facts_->sendsText = able;
        EXPECT_EQ(session().supportsMultitasking(), able);
        EXPECT_EQ(session().isSMSMessagingSupported(), able);
    }
    EXPECT_TRUE(session().isReadyForNetworkTransfers()) << "no data sharing to wait for";
}

TEST_F(DeviceQuestionsTest, BackgroundTasksStartInvalidWithMultitasking)
{
    EXPECT_EQ(session().bgTask(), BackgroundTasks::kInvalidTask);
    EXPECT_EQ(session().bgTerminateTask(), BackgroundTasks::kInvalidTask);
    test::resetSharedInstances();
    facts_->multitasking = false;
    EXPECT_EQ(session().bgTask(), 0u);
}

TEST_F(DeviceQuestionsTest, FormFieldsCarryTheLocationWhenThereIsOne)
{
    struct Row {
        const char* name;
        bool enabled;
        bool start;
        bool deliver;
        Value latitude;
    };
    const Row rows[] = {
        {"a location", true, true, true, Value(52.23)},
        {"started, no update yet", true, true, false, Value("unavailable")},
        {"services off", false, true, true, Value("unavailable")},
        {"never started", true, false, true, Value("unavailable")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::resetSharedInstances();
        location_->enabled = row.enabled;
        location_->running = false;
        if (row.start) session().startLocationManager();
        if (row.deliver) location_->deliver({52.23, 21.01});
        RunLoop::main().drain();
        Value form = Value::dictionary({{"name", Value("x")}});
        session().addCommonFieldsToFormModel(form);
        EXPECT_EQ(form["lumora-latitude"], row.latitude);
        if (row.latitude.isReal()) {
            EXPECT_EQ(form["lumora-longitude"], Value(21.01));
        }
        EXPECT_EQ(form["_spring_security_remember_me"], Value("true"));
        EXPECT_EQ(form["name"], Value("x"));
    }
    EXPECT_EQ(location_->accuracy, 1000);
    session().stopLocationManager();
    EXPECT_FALSE(location_->running);

    // The desktop has no location service and an empty address book.
    auto fake = LocationService::replaceSharedInstance(nullptr);
    auto book = AddressBook::replaceSharedInstance(nullptr);
    session().startLocationManager();
    RunLoop::main().drain();
    EXPECT_FALSE(session().locationServicesAvailable());
    Value form;
    session().addCommonFieldsToFormModel(form);
    EXPECT_EQ(form["lumora-longitude"], Value("unavailable"));
    EXPECT_EQ(session().getArrayOfContactsWith(14, 0), Value::dictionary());
    LocationService::replaceSharedInstance(fake);
    AddressBook::replaceSharedInstance(book);
}

TEST_F(DeviceQuestionsTest, AddressBookQuestions)
{
    book_->book = {
        {"Ada", "Nowak", 7, {{"home", "ada@example.org"}, {"work", "ada@work.example"}}, {{"mobile", "+48 600"}}},
        {"", "", 8, {{"home", "nameless@example.org"}}, {{"mobile", "+48 601"}}},
        {"Bolek", "", -1, {}, {{"mobile", "+48 602"}}},
        {"", "Lolek", -1, {{"other", "lolek@example.org"}}, {}},
    };
    EXPECT_EQ(session().getArrayOfAddressBookEmailAddresses(),
              Value::array({Value("ada@example.org"), Value("ada@work.example"), Value("nameless@example.org"),
                            Value("lolek@example.org")}));
    EXPECT_EQ(session().getArrayOfAddressBookEmailAddressesNamesAndContactIDs(),
              Value::dictionary({
                  {"ada@example.org",
                   Value::dictionary({{"name", Value("Ada Nowak")}, {"image", Value("lumora-contactimage://7")}})},
                  {"nameless@example.org", Value::dictionary({{"image", Value("lumora-contactimage://8")}})},
                  {"lolek@example.org", Value::dictionary({{"name", Value(" Lolek")}})},
              }));

    struct Row {
        const char* name;
        int flags;
        bool sendsText;
        Value contacts;
    };
    const Value adaEmails = Value::dictionary({{"home", Value("ada@example.org")}, {"work", Value("ada@work.example")}});
    const Row rows[] = {
        {"e-mail", 2, true,
         Value::dictionary({{"0", Value::dictionary({{"name", Value("Ada Nowak")}, {"emaildict", adaEmails}})},
                            {"3", Value::dictionary({{"name", Value(" Lolek")},
                                                     {"emaildict", Value::dictionary({{"other", Value("lolek@example.org")}})}})}})},
        {"phones, texts possible", 4, true,
         Value::dictionary({{"0", Value::dictionary({{"name", Value("Ada Nowak")},
                                                     {"phonedict", Value::dictionary({{"mobile", Value("+48 600")}})}})},
                            {"2", Value::dictionary({{"name", Value("Bolek ")},
                                                     {"phonedict", Value::dictionary({{"mobile", Value("+48 602")}})}})}})},
        {"phones, no texts", 4, false, Value::dictionary()},
        {"images only", 8, true, Value::dictionary()},
        {"e-mail and images", 10, false,
         Value::dictionary({{"0", Value::dictionary({{"name", Value("Ada Nowak")},
                                                     {"image", Value("lumora-contactimage://7")},
                                                     {"emaildict", adaEmails}})},
                            {"3", Value::dictionary({{"name", Value(" Lolek")},
                                                     {"image", Value("lumora-contactimage://-1")},
                                                     {"emaildict", Value::dictionary({{"other", Value("lolek@example.org")}})}})}})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        facts_->sendsText = row.sendsText;
        EXPECT_EQ(session().getArrayOfContactsWith(row.flags, 0), row.contacts);
    }
    book_->book.clear();
    EXPECT_EQ(session().getArrayOfAddressBookEmailAddresses(), Value::array());
    EXPECT_EQ(session().getArrayOfContactsWith(14, 0), Value::dictionary());
}

// The mend: numbers at double precision, and keys and values escaped as
// form components so that they arrive as typed.
TEST_F(DeviceQuestionsTest, UrlEncodedDictionaries)
{
    struct Row {
        const char* name;
        Value dictionary;
        std::string encoded;
    };
    const Row rows[] = {
        {"a large integer", Value::dictionary({{"n", Value(16777217)}}), "n=16777217.000000"},
        {"a real", Value::dictionary({{"r", Value(0.1)}}), "r=0.100000"},
        {"reserved characters", Value::dictionary({{"a&b=c", Value("x+y z&w=v")}}),
         "a%26b%3Dc=x%2By%20z%26w%3Dv"},
        {"non-ASCII", Value::dictionary({{"imi\xC4\x99", Value("\xC5\x82")}}), "imi%C4%99=%C5%82"},
        {"order and skipped kinds",
         Value::dictionary({{"b", Value("2")}, {"list", Value::array()}, {"a", Value("1")}}), "b=2&a=1"},
        {"not a dictionary", Value("x"), ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CCPrivateSession::urlEncodedDictionary(row.dictionary), row.encoded) << row.name;
    }
}

TEST_F(DeviceQuestionsTest, QueryParameters)
{
    struct Row {
        const char* url;
        Value params;
    };
    const Row rows[] = {
        {"a?x=1&y=2", Value::dictionary({{"x", Value("1")}, {"y", Value("2")}})},
        {"abc", Value()},
        {"a?x", Value::dictionary()},
        {"a?x=1=2", Value::dictionary()},
        {"a?=1", Value::dictionary({{"", Value("1")}})},
        {"a?x=1&&y=", Value::dictionary({{"x", Value("1")}, {"y", Value("")}})},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CCPrivateSession::paramDictionaryFromUrlString(row.url), row.params) << row.url;
    }
}

} // namespace
} // namespace mw
