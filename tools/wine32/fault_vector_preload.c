/* Gives 32-bit Wine under qemu's user-mode emulation the x86 exception vector
 * of every fault.
 *
 * The kernel writes the vector (13 for a protection fault, 14 for a page
 * fault, ...) into the trap number of the signal frame; qemu writes -1 there.
 * Wine's i386 signal handlers tell what a fault is from that number alone, so
 * every access violation, even one that IsBadReadPtr expects, would reach the
 * program as "unexpected trap -1". Listed in the emulated root's
 * /etc/ld.so.preload, this library wraps the handlers that sigaction installs
 * for the fault signals and rebuilds the vector from the signal number and
 * si_code before Wine's handler sees the frame.
 *
 * The wrapper runs before Wine has restored %gs, so the library is
 * freestanding and i386 only: no libc headers, no errno, no stack protector,
 * nothing that reaches thread-local storage. Built by scripts/setup-wine32. */

#define SIGILL 4
#define SIGTRAP 5
#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SIGNAL_COUNT 32
#define SA_SIGINFO 4
#define SI_KERNEL 0x80
#define FPE_INTDIV 1
#define FPE_INTOVF 2
#define BUS_ADRALN 1
#define TRAP_TRACE 2

/* glibc's i386 layouts, as far as they are read here. */
typedef struct {
    int signo;
    int error;
    int code;
} signal_info;

typedef void (*info_handler)(int, signal_info*, void*);

typedef struct {
    info_handler handler; /* or SIG_DFL (0) / SIG_IGN (1) */
    unsigned int mask[32];
    int flags;
    void (*restorer)(void);
} signal_action;

/* ucontext_t: uc_flags, uc_link, uc_stack (12 bytes), then the general
 * registers, of which the trap number is the 13th. */
#define TRAP_NUMBER_OFFSET (4 + 4 + 12 + 12 * 4)

typedef int (*sigaction_function)(int, const signal_action*, signal_action*);
extern void* dlsym(void* handle, const char* name);
#define RTLD_NEXT ((void*)-1L)

static sigaction_function next_sigaction;
static info_handler wrapped_handlers[SIGNAL_COUNT];

__attribute__((constructor)) static void find_next_sigaction(void)
{
    next_sigaction = (sigaction_function)dlsym(RTLD_NEXT, "sigaction");
}

static int is_fault_signal(int signal)
{
    return signal == SIGSEGV || signal == SIGILL || signal == SIGFPE || signal == SIGBUS || signal == SIGTRAP;
}

static int exception_vector(int signal, int code)
{
    switch (signal) {
    case SIGSEGV: return code == SI_KERNEL ? 13 : 14;
    case SIGILL: return 6;
    case SIGFPE: return code == FPE_INTDIV ? 0 : code == FPE_INTOVF ? 4 : 16;
    case SIGBUS: return code == BUS_ADRALN ? 17 : code == SI_KERNEL ? 11 : 14;
    default: return code == TRAP_TRACE ? 1 : 3;
    }
}

static void rebuild_vector_and_forward(int signal, signal_info* info, void* context)
{
    int* trap_number = (int*)((char*)context + TRAP_NUMBER_OFFSET);
    if (*trap_number == -1) *trap_number = exception_vector(signal, info->code);
    wrapped_handlers[signal](signal, info, context);
}

static int is_info_handler(const signal_action* action)
{
    return (action->flags & SA_SIGINFO) && (unsigned long)action->handler > 1;
}

int sigaction(int signal, const signal_action* action, signal_action* previous)
{
    if (!next_sigaction) return -1;
    if (signal <= 0 || signal >= SIGNAL_COUNT || !is_fault_signal(signal))
        return next_sigaction(signal, action, previous);

    /* The wrapper must find its handler from the moment it is installed. */
    const info_handler replaced = wrapped_handlers[signal];
    signal_action wrapped;
    const signal_action* installed = action;
    if (action && is_info_handler(action)) {
        wrapped = *action;
        wrapped.handler = rebuild_vector_and_forward;
        installed = &wrapped;
        wrapped_handlers[signal] = action->handler;
    }
    const int result = next_sigaction(signal, installed, previous);
    if (result != 0) {
        wrapped_handlers[signal] = replaced;
        return result;
    }
    /* A caller asking for the handler in place gets its own back. */
    if (previous && previous->handler == rebuild_vector_and_forward) previous->handler = replaced;
    return result;
}
