// The five sections of a box image, always handled in this order, and what each
// section is called wherever it appears: file suffix, names, the label of its
// progress and its status texts.
#pragma once

#include <array>
#include <optional>
#include <string>

enum class SectionKind {
    FlashDatabase,
    SatelliteDatabase,
    Resource,
    EepromDatabase,
    ApplicationSoftware,
};

constexpr int SectionCount = 5;

constexpr std::array<SectionKind, SectionCount> AllSections = {
    SectionKind::FlashDatabase, SectionKind::SatelliteDatabase, SectionKind::Resource,
    SectionKind::EepromDatabase, SectionKind::ApplicationSoftware,
};

constexpr int SectionIndex(SectionKind kind) { return static_cast<int>(kind); }

// File suffix of a section file: "ur1" .. "ur5".
const char* SectionSuffix(SectionKind kind);

// Human name, as the status texts use it ("Flash Database", ...).
const char* SectionName(SectionKind kind);

// Short name, as command lines give it: flash, satellite, resource, eeprom, application.
const char* SectionShortName(SectionKind kind);
bool SectionFromShortName(const std::string& name, SectionKind* kind);

// The label of the section's progress ("Flash Data", ...).
const char* SectionLabel(SectionKind kind);
// The label of a section's progress, or "URT file" for none.
const char* ProgressLabel(std::optional<SectionKind> section);

// "Status: Receiving Flash Database", "Status: Sending Flash Database", ...
const char* ReceivingStatus(SectionKind kind);
const char* SendingStatus(SectionKind kind);

// The chosen path less its last three characters (whatever they are), followed by
// the kind's suffix. A path of three characters or fewer gives the bare suffix.
std::string SectionFilePath(const std::string& chosenPath, SectionKind kind);
