// Terminal bytes to key codes: what a paste or a key burst costs per byte.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/key_code.h"
#include "runtime/posix/term_key_decoder.h"

namespace {

void decode_all(benchmark::State& state, const std::string& bytes) {
    qx::TermKeyDecoder decoder{};
    qx::ConsoleInputRecord out[qx::TERM_MAX_EVENTS];
    for (auto _ : state) {
        int32_t sum = 0;
        for (unsigned char byte : bytes) {
            int32_t n = qx::term_decode_byte(&decoder, byte, out);
            for (int32_t i = 0; i < n; i += 2) {
                const qx::KeyEventRecord& key = out[i].key;
                sum += qx::translate_key(static_cast<uint8_t>(key.character), key.scan_code,
                                         key.virtual_key, key.modifiers);
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
}

void BM_DecodeText(benchmark::State& state) {
    std::string text;
    while (text.size() < 4096)
        text += "Entrez la hauteur 480, largeur 640 \xc3\xa9t\xc3\xa9\r";
    decode_all(state, text);
}
BENCHMARK(BM_DecodeText);

void BM_DecodeSequences(benchmark::State& state) {
    std::string keys;
    while (keys.size() < 4096)
        keys +=
            "\x1b[A\x1b[1;5D\x1bOP\x1b[24;2~\x1b"
            "a";
    decode_all(state, keys);
}
BENCHMARK(BM_DecodeSequences);

}  // namespace
