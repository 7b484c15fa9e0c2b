// The record's class bits say what the character tests say of each field's text, for
// records of every length (a short record's missing positions pass every class test).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "validation/check_primitives.h"
#include "validation/record_text.h"

namespace quorvex {
namespace {

TEST(RecordText, AgreesWithTheTestsOfEachFieldText) {
    // Bytes at and around the edges of the classes, so that fields both pass and fail.
    const std::string alphabet("0123456789 /:AZ@[az.-'~\x1f\x7f\x80\xff\0", 28);
    std::mt19937 random(2008);
    for (int round = 0; round < 400; ++round) {
        const std::size_t length = round < 40 ? static_cast<std::size_t>(round) * 14 : 512 + round % 3;
        std::string text(length, '0');
        // Mostly one kind of character, with a few others, so that long fields can pass.
        const char common = alphabet[random() % alphabet.size()];
        for (char& c : text) c = random() % 8 == 0 ? alphabet[random() % alphabet.size()] : common;
        const RecordText rec(text);
        for (RecordType type : {RecordType::RA, RecordType::RE, RecordType::RW, RecordType::RO, RecordType::RT,
                                RecordType::RU, RecordType::RF}) {
            for (const FieldLayout& f : Layout(type)) {
                const std::string_view s = Cut(text, f);
                ASSERT_EQ(rec.Cut(f), s);
                ASSERT_EQ(rec.Digits(f), NumCheck(s)) << length << " " << f.first;
                ASSERT_EQ(rec.Printable(f), CharCheck(s)) << length << " " << f.first;
                ASSERT_EQ(rec.Blank(f), IsBlank(s)) << length << " " << f.first;
                ASSERT_EQ(rec.NameChars(f), NameCheck(s)) << length << " " << f.first;
                if (rec.Digits(f)) {
                    ASSERT_EQ(rec.Amount(f), DigitsValue(s)) << length << " " << f.first;
                }
            }
            const auto money = RecordText::PositionsOf(type, FieldClass::Money);
            bool all = true;
            for (const FieldLayout& f : Layout(type)) all = all && (f.cls != FieldClass::Money || rec.Digits(f));
            ASSERT_EQ(rec.AllDigits(money), all) << length;
        }
    }
}

}  // namespace
}  // namespace quorvex
