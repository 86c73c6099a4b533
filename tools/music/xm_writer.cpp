// Serialises a Module as a FastTracker 2 extended module, version 0x0104: packed patterns,
// instruments with envelopes and 16-bit delta-encoded samples.

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/byte_writer.h"
#include "base/errors.h"
#include "xm_module.h"

namespace xm {
namespace {

constexpr uint8_t kEffectJump = 0x0B;
constexpr uint8_t kEffectBreak = 0x0D;
constexpr uint8_t kEffectExtended = 0x0E;
constexpr uint8_t kEffectSpeed = 0x0F;
constexpr uint32_t kInstrumentHeaderSize = 263;
constexpr uint32_t kSampleHeaderSize = 40;

std::vector<uint8_t> PackPattern(const Pattern& pattern) {
    std::vector<uint8_t> out;
    for (const Cell& c : pattern.cells) {
        const bool full = c.note && c.instrument && c.volume && c.effect && c.param;
        if (full) {
            out.insert(out.end(), {c.note, c.instrument, c.volume, c.effect, c.param});
            continue;
        }
        uint8_t mask = 0x80;
        if (c.note) mask |= 0x01;
        if (c.instrument) mask |= 0x02;
        if (c.volume) mask |= 0x04;
        if (c.effect) mask |= 0x08;
        if (c.param) mask |= 0x10;
        out.push_back(mask);
        if (c.note) out.push_back(c.note);
        if (c.instrument) out.push_back(c.instrument);
        if (c.volume) out.push_back(c.volume);
        if (c.effect) out.push_back(c.effect);
        if (c.param) out.push_back(c.param);
    }
    return out;
}

void WriteEnvelopePoints(ByteWriter& w, const Envelope& e) {
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        if (i < static_cast<int>(e.points.size())) {
            w.U16(e.points[i].first);
            w.U16(e.points[i].second);
        } else {
            w.U32(0);
        }
    }
}

uint8_t EnvelopeFlags(const Envelope& e) {
    if (!e.On()) return 0;
    uint8_t flags = 1;
    if (e.sustain >= 0) flags |= 2;
    if (e.loopStart >= 0) flags |= 4;
    return flags;
}

void WriteInstrument(ByteWriter& w, const Instrument& ins) {
    w.U32(kInstrumentHeaderSize);
    w.FixedText(ins.name, 22);
    w.U8(0);
    w.U16(static_cast<uint16_t>(ins.samples.size()));
    w.U32(kSampleHeaderSize);
    for (uint8_t s : ins.keymap) w.U8(s);
    WriteEnvelopePoints(w, ins.volumeEnvelope);
    WriteEnvelopePoints(w, ins.panningEnvelope);
    w.U8(static_cast<uint8_t>(ins.volumeEnvelope.points.size()));
    w.U8(static_cast<uint8_t>(ins.panningEnvelope.points.size()));
    for (const Envelope* e : {&ins.volumeEnvelope, &ins.panningEnvelope}) {
        w.U8(static_cast<uint8_t>(std::max(e->sustain, 0)));
        w.U8(static_cast<uint8_t>(std::max(e->loopStart, 0)));
        w.U8(static_cast<uint8_t>(std::max(e->loopEnd, 0)));
    }
    w.U8(EnvelopeFlags(ins.volumeEnvelope));
    w.U8(EnvelopeFlags(ins.panningEnvelope));
    w.U8(ins.vibratoType);
    w.U8(ins.vibratoSweep);
    w.U8(ins.vibratoDepth);
    w.U8(ins.vibratoRate);
    w.U16(ins.fadeout);
    w.Zeros(22);  // reserved

    for (const Sample& s : ins.samples) {
        w.U32(static_cast<uint32_t>(s.data.size() * 2));
        w.U32(s.loopStart * 2);
        w.U32(s.loopLength * 2);
        w.U8(s.volume);
        w.U8(static_cast<uint8_t>(s.finetune));
        w.U8(static_cast<uint8_t>((s.loopLength ? 1 : 0) | 0x10));  // forward loop, 16-bit
        w.U8(s.panning);
        w.U8(static_cast<uint8_t>(s.relativeNote));
        w.U8(0);
        w.FixedText(s.name, 22);
    }
    for (const Sample& s : ins.samples) {
        int16_t previous = 0;
        for (int16_t v : s.data) {
            w.U16(static_cast<uint16_t>(static_cast<uint16_t>(v) - static_cast<uint16_t>(previous)));
            previous = v;
        }
    }
}

}  // namespace

void Validate(const Module& m) {
    if (m.channels < 2 || m.channels > kMaxChannels || m.channels % 2 != 0)
        throw GameError(FormatMessage("Module '%s': %d channels (an even count from 2 to 32)", m.name.c_str(),
                                      m.channels));
    if (m.speed < 1 || m.speed > 31) throw GameError("Module speed must be 1..31");
    if (m.bpm < 32 || m.bpm > 255) throw GameError("Module tempo must be 32..255");
    if (m.orders.empty() || m.orders.size() > kMaxOrders) throw GameError("Module needs 1..256 orders");
    if (m.restart < 0 || m.restart >= static_cast<int>(m.orders.size()))
        throw GameError("Module restart position is outside the order list");
    if (m.patterns.empty() || m.patterns.size() > 256) throw GameError("Module needs 1..256 patterns");
    if (m.instruments.size() > 128) throw GameError("Module has more than 128 instruments");
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size()) throw GameError("Order refers to a missing pattern");
    for (const Pattern& p : m.patterns) {
        if (p.rows < 1 || p.rows > kMaxRows || p.channels != m.channels ||
            p.cells.size() != static_cast<size_t>(p.rows) * p.channels)
            throw GameError(FormatMessage("Pattern '%s' has a bad size", p.name.c_str()));
        for (const Cell& c : p.cells) {
            if (c.note > kNoteOff || c.instrument > m.instruments.size() ||
                (c.volume != 0 && (c.volume < 0x10 || c.volume > 0x50)) || c.effect > 35)
                throw GameError(FormatMessage("Pattern '%s' has a bad cell", p.name.c_str()));
            const bool jump = c.effect == kEffectJump || c.effect == kEffectBreak;
            const bool loopOrDelay =
                c.effect == kEffectExtended && ((c.param >> 4) == 0x6 || (c.param >> 4) == 0xE);
            if (jump || loopOrDelay || (c.effect == kEffectSpeed && c.param == 0))
                throw GameError(
                    FormatMessage("Pattern '%s': jumps, loops, delays and F00 are not used", p.name.c_str()));
        }
    }
    for (const Instrument& ins : m.instruments) {
        if (ins.samples.empty() || ins.samples.size() > 16)
            throw GameError(FormatMessage("Instrument '%s' needs 1..16 samples", ins.name.c_str()));
        for (uint8_t k : ins.keymap)
            if (k >= ins.samples.size()) throw GameError("Keymap refers to a missing sample");
        for (const Envelope* e : {&ins.volumeEnvelope, &ins.panningEnvelope}) {
            if (e->points.size() > kMaxEnvelopePoints) throw GameError("Envelope has more than 12 points");
            for (size_t i = 1; i < e->points.size(); ++i)
                if (e->points[i].first <= e->points[i - 1].first) throw GameError("Envelope ticks must rise");
            for (const auto& p : e->points)
                if (p.second > 64) throw GameError("Envelope values are 0..64");
            if (e->sustain >= static_cast<int>(e->points.size()))
                throw GameError("Envelope sustain point is missing");
        }
        for (const Sample& s : ins.samples) {
            if (s.volume > 64) throw GameError("Sample volume is 0..64");
            if (s.loopLength && s.loopStart + s.loopLength > s.data.size())
                throw GameError(FormatMessage("Sample '%s' loops past its end", s.name.c_str()));
        }
    }
}

Timing ComputeTiming(const Module& m) {
    Timing t;
    int speed = m.speed;
    int bpm = m.bpm;
    for (uint8_t order : m.orders) {
        t.orderStartSeconds.push_back(t.seconds);
        const Pattern& p = m.patterns.at(order);
        for (int row = 0; row < p.rows; ++row) {
            for (int ch = 0; ch < p.channels; ++ch) {
                const Cell& c = p.At(row, ch);
                if (c.effect != kEffectSpeed || c.param == 0) continue;
                if (c.param < 32)
                    speed = c.param;
                else
                    bpm = c.param;
            }
            t.seconds += speed * 2.5 / bpm;
            ++t.rows;
        }
    }
    return t;
}

std::vector<uint8_t> Write(const Module& m) {
    Validate(m);
    std::vector<uint8_t> bytes;
    ByteWriter w(bytes);
    w.FixedText("Extended Module: ", 17);
    w.FixedText(m.name, 20);
    w.U8(0x1A);
    w.FixedText("vandrax-xm", 20);
    w.U16(0x0104);
    w.U32(20 + 256);
    w.U16(static_cast<uint16_t>(m.orders.size()));
    w.U16(static_cast<uint16_t>(m.restart));
    w.U16(static_cast<uint16_t>(m.channels));
    w.U16(static_cast<uint16_t>(m.patterns.size()));
    w.U16(static_cast<uint16_t>(m.instruments.size()));
    w.U16(1);  // linear frequency table
    w.U16(static_cast<uint16_t>(m.speed));
    w.U16(static_cast<uint16_t>(m.bpm));
    for (size_t i = 0; i < 256; ++i) w.U8(i < m.orders.size() ? m.orders[i] : 0);

    for (const Pattern& p : m.patterns) {
        std::vector<uint8_t> packed = PackPattern(p);
        if (packed.size() > 0xFFFF) throw GameError(FormatMessage("Pattern '%s' is too big", p.name.c_str()));
        w.U32(9);
        w.U8(0);
        w.U16(static_cast<uint16_t>(p.rows));
        w.U16(static_cast<uint16_t>(packed.size()));
        for (uint8_t b : packed) w.U8(b);
    }
    for (const Instrument& ins : m.instruments) WriteInstrument(w, ins);
    return bytes;
}

}  // namespace xm
