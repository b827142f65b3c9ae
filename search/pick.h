// Score scans for the move picker: the highest ordering score among the
// untried moves and where it stands. Scores are bytes of their own, sixteen
// compared at once; a scan may read up to 15 bytes past the last score.
#pragma once
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__SSE2__)
inline __m128i LoadScores(const uint8_t* s) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)); }
#endif

// Highest of s[0..n), n >= 1.
inline int HighestScore(const uint8_t* s, int n) {
#if defined(__SSE2__)
    // The first r lanes of kKeep + 16 - r are set.
    alignas(16) static constexpr uint8_t kKeep[32] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
                                                      255, 255, 255, 255, 255, 0,   0,   0,   0,   0,   0,
                                                      0,   0,   0,   0,   0,   0,   0,   0,   0,   0};
    __m128i hi = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= n; i += 16) hi = _mm_max_epu8(hi, LoadScores(s + i));
    if (i < n) hi = _mm_max_epu8(hi, _mm_and_si128(LoadScores(kKeep + 16 - (n - i)), LoadScores(s + i)));
    hi = _mm_max_epu8(hi, _mm_srli_si128(hi, 8));
    hi = _mm_max_epu8(hi, _mm_srli_si128(hi, 4));
    hi = _mm_max_epu8(hi, _mm_srli_si128(hi, 2));
    hi = _mm_max_epu8(hi, _mm_srli_si128(hi, 1));
    return _mm_cvtsi128_si32(hi) & 255;
#else
    int hi = 0;
    for (int i = 0; i < n; i++) hi = s[i] > hi ? s[i] : hi;
    return hi;
#endif
}

// Bit i set when s[i] == value, for i < min(n, 64); n >= 1.
inline uint64_t ScoresEqual(const uint8_t* s, int n, int value) {
    uint64_t bits = 0;
#if defined(__SSE2__)
    const __m128i want = _mm_set1_epi8(char(value));
    const int blocks = n >= 64 ? 4 : (n + 15) >> 4;
    for (int k = 0; k < blocks; k++) {
        const uint16_t b = uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(LoadScores(s + 16 * k), want)));
        bits |= uint64_t(b) << (16 * k);
    }
#else
    for (int i = 0; i < n && i < 64; i++) bits |= uint64_t(s[i] == value) << i;
#endif
    return n >= 64 ? bits : bits & ((uint64_t(1) << n) - 1);
}
