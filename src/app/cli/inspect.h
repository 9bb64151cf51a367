// `kestrivane inspect`: checks index, section and URT files the way an upload
// would read them, and says where each problem lies.
#pragma once

#include <cstdio>
#include <string>

// Reports on one file; returns the number of problems found (an unreadable file
// counts as one). An index file brings the section files an upload of it would send.
int InspectFile(const std::string& path, std::FILE* out);
