/* A QEMU plugin that counts the guest instructions a program runs and prints the count when it
 * ends ("instructions N" on stderr): bench/builds.sh counts a 32-bit x86 build, which this
 * machine's kernel can't run itself, under qemu-i386, and the x86-64 build alike under
 * qemu-x86_64. Debian's qemu-user takes plugins but ships no header, so this declares the few
 * calls it uses (QEMU's plugin API, version 1).
 *
 *   gcc -O2 -shared -fPIC -o qemu_count.so bench/qemu_count.c
 *   qemu-i386 -cpu max -plugin ./qemu_count.so -d plugin PROGRAM ...
 */
#include <inttypes.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

typedef uint64_t qemu_plugin_id_t;
struct qemu_plugin_tb;
typedef struct qemu_info_t qemu_info_t;
enum qemu_plugin_op { QEMU_PLUGIN_INLINE_ADD_U64 };

void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t id, void (*cb)(qemu_plugin_id_t, struct qemu_plugin_tb*));
void qemu_plugin_register_vcpu_tb_exec_inline(struct qemu_plugin_tb* tb, enum qemu_plugin_op op, void* ptr, uint64_t imm);
size_t qemu_plugin_tb_n_insns(const struct qemu_plugin_tb* tb);
void qemu_plugin_register_atexit_cb(qemu_plugin_id_t id, void (*cb)(qemu_plugin_id_t, void*), void* userdata);
void qemu_plugin_outs(const char* string);

__attribute__((visibility("default"))) int qemu_plugin_version = 1;

static uint64_t instructions;

/* Each translated block adds its length to the count every time it runs. */
static void translated(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
  (void)id;
  qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &instructions, qemu_plugin_tb_n_insns(tb));
}

static void ended(qemu_plugin_id_t id, void* userdata) {
  (void)id;
  (void)userdata;
  char line[64];
  snprintf(line, sizeof line, "instructions %" PRIu64 "\n", instructions);
  qemu_plugin_outs(line);
}

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc, char** argv) {
  (void)info;
  (void)argc;
  (void)argv;
  qemu_plugin_register_vcpu_tb_trans_cb(id, translated);
  qemu_plugin_register_atexit_cb(id, ended, NULL);
  return 0;
}
