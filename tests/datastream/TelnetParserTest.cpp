#include "datastream/TelnetParser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/datastream/TelnetTestSession.h"

namespace {

using qwtest::Bytes;
using qwtest::Concat;
using qwtest::Text;

// What the parser made of a stream, as text: data bytes in hex, commands in
// brackets.
std::string Describe(const std::vector<uint8_t>& data, const std::vector<TelnetCommand>& cmds,
                     const std::vector<size_t>& at, const std::vector<std::string>& subs) {
    std::string out;
    size_t c = 0;
    char buf[64];
    for (size_t i = 0; i <= data.size(); ++i) {
        while (c < cmds.size() && at[c] == i) {
            const TelnetCommand& cmd = cmds[c];
            if (cmd.kind == TelnetCommand::Single)
                snprintf(buf, sizeof buf, "[%02X]", cmd.code);
            else if (cmd.kind == TelnetCommand::Verb)
                snprintf(buf, sizeof buf, "[%02X %02X]", cmd.code, cmd.option);
            else
                snprintf(buf, sizeof buf, "[SB %02X %s%s%s]", cmd.option, subs[c].c_str(),
                         cmd.subTruncated ? " truncated" : "", cmd.subMalformed ? " malformed" : "");
            out += buf;
            ++c;
        }
        if (i < data.size()) {
            snprintf(buf, sizeof buf, "%02X", data[i]);
            out += buf;
        }
    }
    return out;
}

// Feeds the stream in the given pieces, in place as the transport does.
std::string ParseInPieces(const std::vector<uint8_t>& stream, const std::vector<size_t>& cuts) {
    TelnetParser parser;
    std::vector<uint8_t> data;
    std::vector<TelnetCommand> cmds;
    std::vector<size_t> at;
    std::vector<std::string> subs;
    size_t from = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(stream.size());
    for (size_t end : ends) {
        std::vector<uint8_t> chunk(stream.begin() + from, stream.begin() + end);
        size_t pos = 0;
        while (pos < chunk.size()) {
            size_t n = 0;
            bool got = false;
            TelnetCommand cmd;
            size_t used = parser.parse(chunk.data() + pos, chunk.size() - pos, chunk.data() + pos, &n, &cmd, &got);
            EXPECT_TRUE(used > 0 || got);  // always progress
            data.insert(data.end(), chunk.begin() + pos, chunk.begin() + pos + n);
            pos += used;
            if (got) {
                std::string sub;
                char b[4];
                for (size_t i = 0; i < cmd.subLength && i < TelnetParser::kSubLimit && i < 8; ++i) {
                    snprintf(b, sizeof b, "%02X", cmd.sub[i]);
                    sub += b;
                }
                if (cmd.kind == TelnetCommand::Sub) sub += "/" + std::to_string(cmd.subLength);
                cmds.push_back(cmd);
                at.push_back(data.size());
                subs.push_back(sub);
            }
        }
        from = end;
    }
    return Describe(data, cmds, at, subs);
}

struct ParseCase {
    const char* name;
    std::vector<uint8_t> stream;
    std::string expected;
};

TEST(TelnetParser, SameResultWhereverTheStreamIsCut) {
    std::vector<uint8_t> bigSub = Bytes({0xFF, 0xFA, 0x18});
    bigSub.insert(bigSub.end(), 1000, 0x41);
    bigSub.insert(bigSub.end(), {0xFF, 0xF0, 0x42});
    const ParseCase cases[] = {
        {"plain data", Bytes({0x01, 0x02, 0x03}), "010203"},
        {"doubled IAC is one data byte", Bytes({0x01, 0xFF, 0xFF, 0x02, 0xFF, 0xFF}), "01FF02FF"},
        {"verb and option", Bytes({0x01, 0xFF, 0xFD, 0x18, 0x02}), "01[FD 18]02"},
        {"end of record", Bytes({0x05, 0xFF, 0xEF}), "05[EF]"},
        {"NOP is dropped", Bytes({0x05, 0xFF, 0xF1, 0x06}), "0506"},
        {"terminal-type SEND", Bytes({0xFF, 0xFA, 0x18, 0x01, 0xFF, 0xF0}), "[SB 18 01/1]"},
        {"IAC IAC inside a sub-negotiation", Bytes({0xFF, 0xFA, 0x27, 0x00, 0xFF, 0xFF, 0x03, 0xFF, 0xF0}),
         "[SB 27 00FF03/3]"},
        // Everything up to IAC SE belongs to the sub-negotiation, also for
        // option 0x28 and also bytes that look like commands.
        {"TN3270E skipped whole", Bytes({0xFF, 0xFA, 0x28, 0x01, 0x02, 0xFB, 0x00, 0xFF, 0xF0, 0x44}),
         "[SB 28 0102FB00/4]44"},
        {"sub-negotiation ended by a command", Bytes({0xFF, 0xFA, 0x18, 0x01, 0xFF, 0xFB, 0x00, 0x07}),
         "[SB 18 01/1 malformed][FB 00]07"},
        {"long sub-negotiation is kept bounded", bigSub, "[SB 18 4141414141414141/1000 truncated]42"},
        {"data FF EF is not an end of record",
         Concat({Bytes({0xFF, 0xFF, 0xEF}), Text("A")}), "FFEF41"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseInPieces(c.stream, {}), c.expected);
        for (size_t cut = 1; cut < c.stream.size(); ++cut) {
            SCOPED_TRACE(cut);
            ASSERT_EQ(ParseInPieces(c.stream, {cut}), c.expected);
        }
        if (c.stream.size() < 64) {
            std::vector<size_t> every;
            for (size_t i = 1; i < c.stream.size(); ++i) every.push_back(i);
            EXPECT_EQ(ParseInPieces(c.stream, every), c.expected);
        }
    }
}

// Long records of data with doubled IACs, options and ends of record between
// them, parsed whole, byte by byte and in random pieces: always the same.
TEST(TelnetParser, LongDataRunsAgreeWithByteByByte) {
    std::mt19937 random(2877);
    for (int round = 0; round < 5; ++round) {
        std::vector<uint8_t> stream;
        for (int piece = 0; piece < 30; ++piece) {
            const size_t run = random() % 2000;
            for (size_t i = 0; i < run; ++i) stream.push_back(static_cast<uint8_t>(random() % 0xFF));
            switch (random() % 4) {
                case 0: stream.insert(stream.end(), {0xFF, 0xFF}); break;
                case 1: stream.insert(stream.end(), {0xFF, 0xEF}); break;
                case 2: stream.insert(stream.end(), {0xFF, 0xFB, 0x19}); break;
                default: stream.insert(stream.end(), {0xFF, 0xFA, 0x18, 0x01, 0xFF, 0xF0}); break;
            }
        }
        std::vector<size_t> every, some;
        for (size_t i = 1; i < stream.size(); ++i) {
            every.push_back(i);
            if (random() % 500 == 0) some.push_back(i);
        }
        const std::string whole = ParseInPieces(stream, {});
        ASSERT_EQ(ParseInPieces(stream, every), whole);
        ASSERT_EQ(ParseInPieces(stream, some), whole);
    }
}

}  // namespace
