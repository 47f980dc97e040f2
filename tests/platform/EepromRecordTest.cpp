// The EEPROM record both sides of FT_EE_Read use: the caller's ready record and the identity a
// bridge library writes into it.
#include "platform/ftd2xx/EepromIdentity.h"
#include "platform/ftd2xx/EepromReadRecord.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

namespace zarn {
namespace {

TEST(EepromReadRecord, IsSignedVersionedAndZeroElsewhereWithTextBuffersOfTheDocumentedSizes) {
    EepromReadRecord eeprom;
    const FT_EEPROM_RECORD& r = eeprom.fields();
    EXPECT_EQ(eeprom.record(), &r);
    EXPECT_EQ(r.Signature1, 0x00000000u);
    EXPECT_EQ(r.Signature2, 0xFFFFFFFFu);
    EXPECT_EQ(r.Version, 5u);
    ASSERT_NE(r.Manufacturer, nullptr);
    ASSERT_NE(r.ManufacturerId, nullptr);
    ASSERT_NE(r.Description, nullptr);
    ASSERT_NE(r.SerialNumber, nullptr);

    // Every byte other than the header and the four pointers is zero.
    std::array<unsigned char, sizeof(FT_EEPROM_RECORD)> bytes{};
    std::memcpy(bytes.data(), &r, bytes.size());
    const std::size_t pointers = offsetof(FT_EEPROM_RECORD, Manufacturer);
    const std::size_t options = offsetof(FT_EEPROM_RECORD, MaxPower);
    for (std::size_t i = offsetof(FT_EEPROM_RECORD, VendorId); i < bytes.size(); ++i) {
        if (i < pointers || i >= options) {
            EXPECT_EQ(bytes[i], 0) << "byte " << i;
        }
    }

    // Each buffer takes a text of its full documented size without touching the others.
    const struct {
        char* buffer;
        std::size_t size;
    } texts[] = {{r.Manufacturer, FT_EE_MANUFACTURER_SIZE},
                 {r.ManufacturerId, FT_EE_MANUFACTURER_ID_SIZE},
                 {r.Description, FT_EE_DESCRIPTION_SIZE},
                 {r.SerialNumber, FT_EE_SERIAL_NUMBER_SIZE}};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        std::memset(texts[i].buffer, 'a' + static_cast<int>(i), texts[i].size - 1);
        texts[i].buffer[texts[i].size - 1] = '\0';
    }
    EXPECT_EQ(eeprom.description(), std::string(FT_EE_DESCRIPTION_SIZE - 1, 'c'));
    EXPECT_EQ(eeprom.serialNumber(), std::string(FT_EE_SERIAL_NUMBER_SIZE - 1, 'd'));
    // A library that leaves no terminator: the text ends with the buffer.
    r.SerialNumber[FT_EE_SERIAL_NUMBER_SIZE - 1] = 'd';
    EXPECT_EQ(eeprom.serialNumber(), std::string(FT_EE_SERIAL_NUMBER_SIZE, 'd'));
}

// A record whose header is not the documented one was made for another layout (the ids first,
// as a short record of ids and pointers has them): writing into it could run past its end.
TEST(EepromIdentity, RefusesRecordsWithoutTheSignaturesAndLeavesThemUntouched) {
    const EepromIdentity identity{0x0403, 0x6001, "Maker", "MK", "Logger", "S1"};
    EXPECT_EQ(identity.writeTo(nullptr), FT_INVALID_PARAMETER);
    struct Case {
        const char* what;
        std::uint32_t signature1;
        std::uint32_t signature2;
        FT_STATUS expected;
    };
    const Case cases[] = {
        {"documented", FT_EE_SIGNATURE1, FT_EE_SIGNATURE2, FT_OK},
        {"no header, ids and padding first", 0, 0, FT_INVALID_PARAMETER},
        {"first signature wrong", 1, FT_EE_SIGNATURE2, FT_INVALID_PARAMETER},
        {"second signature wrong", FT_EE_SIGNATURE1, 0xFFFF0000u, FT_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EepromReadRecord eeprom;
        eeprom.record()->Signature1 = c.signature1;
        eeprom.record()->Signature2 = c.signature2;
        EXPECT_EQ(EepromIdentity::accepts(eeprom.record()), c.expected == FT_OK);
        ASSERT_EQ(identity.writeTo(eeprom.record()), c.expected);
        EXPECT_EQ(eeprom.vendorId(), c.expected == FT_OK ? 0x0403 : 0);
        EXPECT_EQ(eeprom.serialNumber(), c.expected == FT_OK ? "S1" : "");
    }
}

TEST(EepromIdentity, CutsEachTextToItsBufferAndTerminatesIt) {
    const EepromIdentity identity{0x0403,
                                  0xED30,
                                  std::string(40, 'M'),
                                  std::string(20, 'I'),
                                  std::string(100, 'D'),
                                  "QV-0123456789ABCDEF"};
    // Buffers of the documented sizes with guard bytes behind them.
    constexpr std::size_t Guard = 8;
    std::array<char, FT_EE_MANUFACTURER_SIZE + Guard> manufacturer;
    std::array<char, FT_EE_MANUFACTURER_ID_SIZE + Guard> id;
    std::array<char, FT_EE_DESCRIPTION_SIZE + Guard> description;
    std::array<char, FT_EE_SERIAL_NUMBER_SIZE + Guard> serial;
    manufacturer.fill('#');
    id.fill('#');
    description.fill('#');
    serial.fill('#');
    EepromReadRecord eeprom;
    FT_EEPROM_RECORD* r = eeprom.record();
    r->Manufacturer = manufacturer.data();
    r->ManufacturerId = id.data();
    r->Description = description.data();
    r->SerialNumber = serial.data();
    ASSERT_EQ(identity.writeTo(r), FT_OK);
    EXPECT_EQ(r->ProductId, 0xED30);
    EXPECT_EQ(std::string(manufacturer.data()), std::string(FT_EE_MANUFACTURER_SIZE - 1, 'M'));
    EXPECT_EQ(std::string(id.data()), std::string(FT_EE_MANUFACTURER_ID_SIZE - 1, 'I'));
    EXPECT_EQ(std::string(description.data()), std::string(FT_EE_DESCRIPTION_SIZE - 1, 'D'));
    EXPECT_EQ(std::string(serial.data()), "QV-0123456789AB");
    const std::string guard(Guard, '#');
    EXPECT_EQ(std::string(manufacturer.end() - Guard, manufacturer.end()), guard);
    EXPECT_EQ(std::string(id.end() - Guard, id.end()), guard);
    EXPECT_EQ(std::string(description.end() - Guard, description.end()), guard);
    EXPECT_EQ(std::string(serial.end() - Guard, serial.end()), guard);

    // A null text pointer is skipped; the other texts are still written.
    r->Manufacturer = nullptr;
    serial.fill('#');
    ASSERT_EQ(identity.writeTo(r), FT_OK);
    EXPECT_EQ(std::string(serial.data()), "QV-0123456789AB");
}

} // namespace
} // namespace zarn
