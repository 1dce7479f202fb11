// The records the catalogue read commands fill, and the process-wide VAT assignment and
// unique number.
#include <cstdio>
#include <cstring>

#include "codecs/register/ks_frame.h"

namespace tv {

unsigned short tvat[7];
char uni[13];

void KS_PLU::clear() {
    std::memset(text1, 0, sizeof text1);
    std::memset(text2, 0, sizeof text2);
    byte_field = 0;
    number = 0;
    bcd_value = 0;
}

void KS_PLU::print() {
    std::printf("PLU: %u\t%.*s\t%.*s\t%lld\t%u\n", static_cast<unsigned>(number),
                static_cast<int>(sizeof text1 - 1), text1, static_cast<int>(sizeof text2 - 1), text2,
                static_cast<long long>(bcd_value), static_cast<unsigned>(byte_field));
}

void KS_PLUBSTS::clear() {
    std::memset(barcode, 0, sizeof barcode);
    bcd_value1 = 0;
    bcd_value2 = 0;
    word1 = word2 = word3 = 0;
}

void KS_PLUBSTS::print() {
    std::printf("STS: %.*s\t%lld\t%lld\n", static_cast<int>(sizeof barcode - 1), barcode,
                static_cast<long long>(bcd_value1), static_cast<long long>(bcd_value2));
}

void KS_PAYFORM::clear() {
    number = 0;
    std::memset(text1, 0, sizeof text1);
    byte_field = 0;
    word_field = 0;
    std::memset(text2, 0, sizeof text2);
    bcd_value1 = 0;
    bcd_value2 = 0;
    bcd_value3 = 0;
}

void KS_PAYFORM::print() {
    std::printf("PAYFORM: %u\t%.*s\t%u\t%u\t%.*s\t%lld\t%lld\t%lld\n", static_cast<unsigned>(number),
                static_cast<int>(sizeof text1 - 1), text1, static_cast<unsigned>(byte_field),
                static_cast<unsigned>(word_field), static_cast<int>(sizeof text2 - 1), text2,
                static_cast<long long>(bcd_value1), static_cast<long long>(bcd_value2),
                static_cast<long long>(bcd_value3));
}

}  // namespace tv
