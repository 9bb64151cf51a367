// The benchmark's processes: far ends in processes of their own, and programs run
// to their end with the time and CPU they took.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

// This program, started again for the far ends.
std::string& BenchSelf();

// A far end in its own process (this program in one of its roles, or `program`);
// its standard output is read line by line, its first line taken as its port.
class Child {
public:
    explicit Child(const std::vector<std::string>& args, const std::string& program = BenchSelf());
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    const std::string& Port() const { return port_; }
    // CPU seconds the process has used so far (the scheduler's count).
    double CpuSeconds() const;
    std::string Line();

private:
    pid_t pid_ = -1;
    std::FILE* out_ = nullptr;
    std::string port_;
};

struct Ran {
    int status = -1;
    double wall = 0, cpu = 0;  // seconds
    long maxRssKb = 0;
};

// Starts a program, its input and output on /dev/null.
pid_t StartProgram(const std::vector<std::string>& args);

// Runs a program to its end, its input and output on /dev/null.
Ran RunProgram(const std::vector<std::string>& args);

double Median(std::vector<double> v);

// Rounds measured in pairs, the two sides one after the other. The ratio is the median
// round's (odd counts give an exact middle), and A() and B() are that round's figures,
// so a row's brackets show what its ratio is made of.
class Paired {
public:
    void Add(double a, double b);
    double Ratio() const;
    double A() const;
    double B() const;

private:
    std::size_t Middle() const;
    std::vector<double> a_, b_;
};
