// The command line's own lines ("kestrivane: ..."), each one line: what it names
// (file names too) with control bytes escaped. A voice says them: the command's own
// on standard error, broken between words on a terminal; a box served with others
// into its own list, said when the command sees fit (after the board, or behind its
// port's name).
#pragma once

#include <mutex>
#include <string>
#include <vector>

// Why a command could not go on: what a board tells apart.
enum class Refusal { Other, PortHeld };  // PortHeld: another program holds the port

class Voice {
public:
    virtual ~Voice() = default;
    void Say(const std::string& text);
    // Says why the command cannot go on, and returns its status (2: nothing was sent).
    int Refuse(const std::string& reason, Refusal kind = Refusal::Other);

protected:
    // A line, its control bytes escaped, without the program's name.
    virtual void Line(const std::string& line) = 0;
    // The reason of a refusal, as it was said.
    virtual void Refused(const std::string&, Refusal) {}
};

// The command's own: standard error.
Voice& StandardError();

// A box's: its lines kept, in order, whichever thread says them.
class LinesVoice final : public Voice {
public:
    std::vector<std::string> Lines() const;
    // Why its command could not go on, as said ("" when it went on), and of what kind.
    std::string Refusal() const;
    ::Refusal RefusalKind() const;

protected:
    void Line(const std::string& line) override;
    void Refused(const std::string& reason, ::Refusal kind) override;

private:
    mutable std::mutex lines_;
    std::vector<std::string> said_;
    std::string refusal_;
    ::Refusal kind_ = ::Refusal::Other;
};

// A line on standard error as it stands ("port: ..."), broken between words on a
// terminal, whole whichever thread writes it.
void SayLine(const std::string& line);

// The command's own voice, for what only the command says.
inline void Say(const std::string& text) { StandardError().Say(text); }
inline int Refuse(const std::string& reason) { return StandardError().Refuse(reason); }
