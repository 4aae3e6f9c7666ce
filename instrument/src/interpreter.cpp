#include "interpreter.hpp"

#include <array>
#include <utility>

#include "command_table.hpp"
#include "handlers.hpp"
#include "measurement.hpp"
#include "parser.hpp"

namespace sim {
namespace {

bool blank(std::string_view message) {
    for (const char c : message) {
        if (static_cast<unsigned char>(c) > 0x20) return false;
    }
    return true;
}

// Nodes of a stored header path such as "SENS:VOLT".
std::size_t path_nodes(std::string_view path, std::array<Node, max_nodes>& nodes) {
    std::size_t count = 0;
    while (!path.empty() && count < max_nodes) {
        const auto colon = path.find(':');
        split_node(path.substr(0, colon), nodes[count++]);
        if (colon == std::string_view::npos) break;
        path.remove_prefix(colon + 1);
    }
    return count;
}

std::string join_path(std::span<const Node> nodes) {
    std::string path;
    for (const Node& n : nodes) {
        if (!path.empty()) path.push_back(':');
        path.append(n.name);
        if (n.suffix != no_suffix) path.append(std::to_string(n.suffix));
    }
    return path;
}

}  // namespace

void Interpreter::write(std::string_view bytes, bool end) {
    for (const char c : bytes) {
        if (c == '\n') {
            if (!overrun_) receive(std::exchange(input_, {}));
            input_.clear();
            overrun_ = false;
            continue;
        }
        if (overrun_) continue;
        if (input_.size() == input_capacity) {
            ctx_.error(err::input_overrun);  // the message is discarded up to its terminator
            input_.clear();
            overrun_ = true;
            continue;
        }
        input_.push_back(c);
    }
    if (end) {
        if (!overrun_ && !input_.empty()) receive(std::exchange(input_, {}));
        input_.clear();
        overrun_ = false;
    }
    resolve();
}

void Interpreter::receive(std::string message) {
    if (blank(message)) return;
    const bool parser_held = pending_ && (pending_->kind == Wait::wai || pending_->kind == Wait::output);
    if (parser_held) {
        if (blocked_bytes_ + message.size() > input_capacity) {
            if (pending_->kind == Wait::wai) {
                ctx_.error(err::input_overrun);
                return;
            }
            // Input buffer and output queue both full: IEEE 488.2 deadlock.
            break_deadlock();
        }
        blocked_bytes_ += message.size();
        blocked_.push_back(std::move(message));
        return;
    }
    if (reply_ready() || response_open_) {
        ctx_.error(err::query_interrupted);
        if (response_open_) pending_.reset();
        drop_output();
    }
    run(std::move(message), {}, {});
}

void Interpreter::drop_output() {
    out_.clear();
    out_pos_ = 0;
    response_open_ = false;
    ctx_.reply_continues = false;
    update_mav();
}

// The output queue is emptied and the held message goes on, its responses discarded.
void Interpreter::break_deadlock() {
    ctx_.error(err::query_deadlocked);
    drop_output();
    Pending p = std::move(*pending_);
    pending_.reset();
    discarding_ = true;
    run(std::move(p.message), std::move(p.path), {});
}

bool Interpreter::flush_full_response() {
    if (ctx_.reply.empty() || unread() + ctx_.reply.size() < output_capacity) return false;
    if (discarding_) {
        ctx_.reply.clear();
        return false;
    }
    out_.erase(0, out_pos_);
    out_pos_ = 0;
    if (out_.empty())
        out_.swap(ctx_.reply);  // a block's reply is not copied once more
    else
        out_ += ctx_.reply;
    ctx_.reply.clear();
    ctx_.reply_continues = true;
    response_open_ = true;
    update_mav();
    return true;
}

void Interpreter::run(std::string message, std::string path, std::string reply) {
    ctx_.reply = std::move(reply);
    MessageParser parser(message);
    Unit unit;
    int error = 0;
    for (;;) {
        const auto result = parser.next(unit, error);
        if (result == MessageParser::Result::end) break;
        if (result == MessageParser::Result::error) {
            ctx_.error(error);
            break;
        }
        const Header& h = unit.header;
        const std::span<const Node> own(h.nodes.data(), h.count);
        std::array<Node, 2 * max_nodes> full{};
        std::size_t count = 0;
        std::array<Node, max_nodes> prefix{};
        const bool relative = !h.common && !h.absolute && !path.empty();
        if (relative) {
            const std::size_t n = path_nodes(path, prefix);
            for (std::size_t i = 0; i < n; ++i) full[count++] = prefix[i];
        }
        for (const Node& n : own) full[count++] = n;
        int suffix = no_suffix;
        const Command* command =
            find_command(std::span<const Node>(full.data(), count), h.common, h.query, suffix);
        std::size_t used = count;
        if (command == nullptr && relative) {
            // Tolerated: a header that only exists from the root.
            command = find_command(own, h.common, h.query, suffix);
            used = own.size();
        }
        if (command == nullptr) {
            ctx_.error(err::undefined_header);
            break;  // a command error drops the rest of the message
        }
        if (!h.common) {
            const auto* first = used == count ? full.data() : own.data();
            path = join_path(std::span<const Node>(first, used - 1));
        }
        if (h.query && pending_) {
            // A new query while an earlier one still waits for its reading: that one is lost.
            ctx_.error(err::query_interrupted);
            pending_.reset();
        }
        ctx_.wait = Wait::none;
        ctx_.command_error = false;
        command->handler(ctx_, Call{unit.params, suffix});
        note_detector_path(ctx_);
        if (ctx_.command_error) break;
        if (ctx_.wait == Wait::none && flush_full_response() && !blank(parser.remainder()))
            ctx_.wait = Wait::output;
        if (ctx_.wait != Wait::none) {
            pending_ = Pending{ctx_.wait, std::string(parser.remainder()), std::move(path),
                               std::exchange(ctx_.reply, {})};
            ctx_.wait = Wait::none;
            return;
        }
    }
    emit(std::exchange(ctx_.reply, {}));
}

void Interpreter::emit(std::string reply) {
    if (std::exchange(discarding_, false)) {
        drop_output();
        return;
    }
    if (reply.empty() && !response_open_) return;
    out_.erase(0, out_pos_);
    out_pos_ = 0;
    out_ += reply;
    out_ += '\n';
    response_open_ = false;
    ctx_.reply_continues = false;
    update_mav();
}

void Interpreter::resolve() {
    advance(ctx_);
    for (;;) {
        if (pending_) {
            const bool held = pending_->kind == Wait::output ? unread() >= output_capacity
                                                             : ctx_.measurement.armed;
            if (held) break;
            Pending p = std::move(*pending_);
            pending_.reset();
            ctx_.reply = std::move(p.reply);
            if (p.kind == Wait::fetch) respond_readings(ctx_);
            if (p.kind == Wait::opc_query) ctx_.respond("1");
            run(std::move(p.message), std::move(p.path), std::exchange(ctx_.reply, {}));
            continue;
        }
        if (blocked_.empty()) break;
        std::string next = std::move(blocked_.front());
        blocked_.pop_front();
        blocked_bytes_ -= next.size();
        receive(std::move(next));
    }
    update_mav();
}

void Interpreter::device_clear() {
    input_.clear();
    overrun_ = false;
    drop_output();
    discarding_ = false;
    pending_.reset();
    blocked_.clear();
    blocked_bytes_ = 0;
    abort_measurement(ctx_);
    update_mav();
}

bool Interpreter::take(std::string& out, std::size_t max, int term) {
    std::size_t n = std::min(max, out_.size() - out_pos_);
    if (term >= 0)
        if (const auto at = std::string_view(out_).substr(out_pos_, n).find(static_cast<char>(term));
            at != std::string_view::npos)
            n = at + 1;
    if (out_pos_ == 0 && n == out_.size()) {
        out.swap(out_);  // the whole queue: handed over, not copied
        out_.clear();
    } else {
        out.assign(out_, out_pos_, n);
        out_pos_ += n;
    }
    const bool drained = out_pos_ == out_.size();
    if (drained) {
        out_.clear();
        out_pos_ = 0;
    }
    update_mav();
    return drained && !response_open_;
}

}  // namespace sim
