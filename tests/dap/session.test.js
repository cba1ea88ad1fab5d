'use strict';
// quill-debug's DAP session, driven by the client VS Code tests its own adapters with.
// Run by ctest with QUILL_DEBUG and QUILL (the golden interpreter) set.
const { test, after } = require('node:test');
const assert = require('node:assert/strict');
const cp = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

let DebugClient;
try {
  ({ DebugClient } = require('@vscode/debugadapter-testsupport'));
} catch (e) {
  throw new Error(`${path.join(__dirname, 'node_modules')} is missing or incomplete: ` +
                  `run build.sh (it runs npm ci --prefix tests/dap)\n${e.message}`);
}
const { QUILL_DEBUG, QUILL } = process.env;
if (!QUILL_DEBUG || !QUILL) throw new Error('set QUILL_DEBUG and QUILL to the built programs');

const DEADLINE = 30000;   // per wait: CI machines are busy
const THREAD = { threadId: 1 };
const dir = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), 'quill-dap-')));
after(() => fs.rmSync(dir, { recursive: true, force: true }));

function script(name, text) {
  const file = path.join(dir, name);
  fs.writeFileSync(file, text);
  return file;
}

function within(promise, what, deadline = Date.now() + DEADLINE) {
  let timer;
  const late = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`no ${what} within ${DEADLINE / 1000} s`)),
                       deadline - Date.now());
  });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

// DebugClient starts a runtime with the adapter as its argument; quill-debug is started
// bare. Every event is kept, so none is lost between a response and the wait after it,
// and an adapter that ends or stays silent fails what waits on it instead of hanging.
class Session extends DebugClient {
  constructor() {
    super(QUILL_DEBUG, '', 'vantor');
    this.events = [];
    this.taken = {};   // per event type: how far next() has read
    this.stderr = '';
    this.wake = () => {};
  }

  start() {
    return new Promise((resolve, reject) => {
      const child = cp.spawn(QUILL_DEBUG, [], { stdio: 'pipe' });
      this.child = child;
      child.on('error', (e) => reject(new Error(`cannot start ${QUILL_DEBUG}: ${e.message}`)));
      child.on('spawn', resolve);
      child.stdin.on('error', () => {});   // a write after its end: 'close' tells
      child.stderr.on('data', (d) => { this.stderr += d; });
      // 'close', not 'exit': every message it sent has been read by then
      this.closed = new Promise((done) => {
        child.on('close', (code, signal) => done({ code, signal }));
      });
      this.gone = this.closed.then(({ code, signal }) => {
        throw new Error(`quill-debug ended (${signal || code})\n${this.stderr}`);
      });
      this.gone.catch(() => {});
      this.connect(child.stdout, child.stdin);
    });
  }

  send(command, args) {
    return within(Promise.race([super.send(command, args), this.gone]), `answer to ${command}`);
  }

  emit(name, message) {
    if (message && message.type === 'event') {
      this.events.push(message);
      this.wake();
    }
    return super.emit(name, message);
  }

  // the next event of this type not yet taken; none comes after 'terminated'
  async next(type) {
    const deadline = Date.now() + DEADLINE;
    for (;;) {
      const from = this.taken[type] || 0;
      const i = this.events.findIndex((e, k) => k >= from && e.event === type);
      if (i >= 0) {
        this.taken[type] = i + 1;
        return this.events[i];
      }
      if (this.events.some((e) => e.event === 'terminated')) {
        throw new Error(`no '${type}' event before the session ended: ${this.story()}`);
      }
      const arrival = new Promise((resolve) => { this.wake = resolve; });
      await within(Promise.race([arrival, this.gone]), `'${type}' event`, deadline)
        .catch((e) => { throw new Error(`${e.message}: ${this.story()}`); });
    }
  }

  // runInTerminal, as an editor's terminal would: the program started with the
  // arguments and environment asked for, typed input on its standard input
  dispatch(body) {
    const message = JSON.parse(body);
    if (message.type !== 'request' || message.command !== 'runInTerminal') return super.dispatch(body);
    const { args, env, cwd } = message.arguments;
    const run = cp.spawn(args[0], args.slice(1), { cwd, env: { ...process.env, ...env } });
    this.terminalText = '';
    run.stdout.on('data', (d) => { this.terminalText += d; });
    this.terminalClosed = new Promise((done) => run.on('close', done));
    run.stdin.end(this.typed || '');
    const reply = JSON.stringify({ seq: 0, type: 'response', request_seq: message.seq,
                                   command: 'runInTerminal', success: true,
                                   body: { processId: run.pid } });
    this.child.stdin.write(`Content-Length: ${Buffer.byteLength(reply)}\r\n\r\n${reply}`);
    return undefined;
  }

  story() {
    return `${this.events.map((e) => e.event).join(' ')}\n${this.text('stderr')}${this.stderr}`;
  }

  // initialize, launch, breakpoints, configurationDone, in the order VS Code sends them;
  // the launch response may wait for configurationDone
  async begin(program, args = {}, lines = [], configure = async () => {}) {
    const caps = (await this.initializeRequest({ adapterID: 'vantor', linesStartAt1: true,
      columnsStartAt1: true, pathFormat: 'path', supportsRunInTerminalRequest: true })).body || {};
    const launched = this.launchRequest({ program, cwd: dir, ...args });
    launched.catch(() => {});
    await this.next('initialized');
    const source = { path: program };
    const breakpoints = lines.map((line) => ({ line }));
    const set = lines.length ? await this.setBreakpointsRequest({ source, breakpoints }) : null;
    await configure();   // more breakpoints, before the script starts
    await this.configurationDoneRequest();
    await launched;
    return { caps, breakpoints: set && set.body.breakpoints };
  }

  async stopped(reason, line) {
    const { body } = await this.next('stopped');
    assert.deepEqual([body.reason, body.threadId, body.allThreadsStopped], [reason, 1, true]);
    const frames = (await this.stackTraceRequest(THREAD)).body.stackFrames;
    if (line !== undefined) assert.equal(frames[0].line, line, `${reason} stop's line`);
    return frames;
  }

  async ended() {
    const exited = await this.next('exited');
    await this.next('terminated');
    return exited.body.exitCode;
  }

  text(category) {
    return this.events.filter((e) => e.event === 'output' && e.body.category === category)
      .map((e) => e.body.output).join('');
  }

  // disconnect ends the script and the adapter, which leaves cleanly
  async close(failed) {
    this.disconnectRequest({ terminateDebuggee: true }).catch(() => {});
    let end = await within(this.closed, 'end').catch(() => null);
    if (!end) {
      this.child.kill('SIGKILL');
      end = `still running ${DEADLINE / 1000} s after disconnect`;
    }
    const clean = { code: 0, signal: null };
    if (!failed) assert.deepEqual(end, clean, `how quill-debug ended\n${this.stderr}`);
  }
}

function session(name, body) {
  test(name, { timeout: 6 * DEADLINE }, async () => {
    const dc = new Session();
    await dc.start();
    let failed = true;
    try {
      await body(dc);
      failed = false;
    } finally {
      await dc.close(failed);
    }
  });
}

const FOREVER = 'L: i = i + 1;\nabove L;\n';

session('stops on entry at line 1 before it runs, in the one thread', async (dc) => {
  const program = script('entry.vt', 'put 1;\nput 2;\n');
  const { caps } = await dc.begin(program, { stopOnEntry: true });
  assert.equal(caps.supportsConfigurationDoneRequest, true);
  const frames = await dc.stopped('entry', 1);
  assert.equal(frames[0].source.path, program);
  assert.deepEqual((await dc.threadsRequest()).body.threads, [{ id: 1, name: 'script' }]);
  assert.equal(dc.text('stdout'), '');
  await dc.continueRequest(THREAD);
  await dc.ended();
  assert.equal(dc.text('stdout'), '12');
});

session('breakpoints move off comments, blanks and continuations; continue hits them',
        async (dc) => {
  const program = script('moves.vt',
    'i = 0;\n# count up\n\ni = i + 1;\na = i +\n    2;\n\nput a;\n');
  const { breakpoints } = await dc.begin(program, {}, [2, 3, 6, 20]);
  assert.deepEqual(breakpoints.map((b) => b.verified && b.line), [4, 4, 8, false]);
  await dc.stopped('breakpoint', 4);
  await dc.continueRequest(THREAD);
  await dc.stopped('breakpoint', 8);
});

session('next after a backward jump lands on the label, stepIn goes on', async (dc) => {
  const program = script('loop.vt', 'i = 0;\nL:\ni = i + 1;\nif i >= 3 E;\nabove L;\nE: put i;\n');
  await dc.begin(program, {}, [5]);
  await dc.stopped('breakpoint', 5);
  await dc.nextRequest(THREAD);
  await dc.stopped('step', 2);
  await dc.stepInRequest(THREAD);
  await dc.stopped('step', 3);
});

session('the stack shows the jump trail below the current statement, newest first',
        async (dc) => {
  // a count below 0 (kept in 8 bits: 255 too) searches, but is no jump in the trail
  const program = script('trail.vt', 'i = 0;\nL: i = i + 1;\nbelow @ -1 M;\nM: below @ 255 N;\n' +
    'N: if i < 3 A;\nbelow B;\nA: above L;\nB: put i;\n');
  await dc.begin(program, {}, [8]);
  const frames = await dc.stopped('breakpoint', 8);
  assert.deepEqual(frames.slice(1).map((f) => [f.name, f.line]), [
    ['below B (pass 1)', 6], ['above L (pass 2)', 7], ['if i < 3 A (pass 2)', 5],
    ['above L (pass 1)', 7], ['if i < 3 A (pass 1)', 5]]);
});

session('variables show a to z first, numbers and texts with their pool address', async (dc) => {
  const head = 'n = 5;\ns = "hello";\n';
  const address = cp.spawnSync(QUILL, ['-f', script('address.vt', `${head}put s;\n`)],
                               { encoding: 'utf8' }).stdout;
  await dc.begin(script('vars.vt', `${head}z = 0;\n`), {}, [3]);
  const frames = await dc.stopped('breakpoint', 3);
  const scopes = (await dc.scopesRequest({ frameId: frames[0].id })).body.scopes;
  assert.equal(scopes[0].name, 'Variables');
  const vars = (await dc.variablesRequest({ variablesReference: scopes[0].variablesReference }))
    .body.variables;
  assert.equal(vars.slice(0, 26).map((v) => v.name).join(''), 'abcdefghijklmnopqrstuvwxyz');
  const value = Object.fromEntries(vars.map((v) => [v.name, v.value]));
  assert.deepEqual([value.n, value.s], ['5', `${address} "hello"`]);
});

session('output comes as quill writes it, then exited with its status, then terminated',
        async (dc) => {
  const program = script('out.vt', 'puts "one\n";\ne = "GREETING"; puts func 3;\n' +
    'a = "abcdefghijkl";\nb = "mnopqrstuvwx";\nput 7;\nx = 300;\n');
  const env = { GREETING: 'hi' };
  const golden = cp.spawnSync(QUILL, ['-s', '16', '-f', program],
                              { encoding: 'utf8', env: { ...process.env, ...env } });
  assert.equal(golden.stdout, 'one\nhi7', `quill itself\n${golden.stderr}`);
  await dc.begin(program, { env, poolSize: 16 });
  assert.equal(await dc.ended(), golden.status);
  assert.deepEqual([dc.text('stdout'), dc.text('stderr')], [golden.stdout, golden.stderr]);
  const order = dc.events.map((e) => e.event);
  const [output, exited] = [order.lastIndexOf('output'), order.indexOf('exited')];
  assert.ok(output < exited && exited < order.indexOf('terminated'), order.join(' '));
});

const SUM = 's = 0;\nL: a = func 1; if !a E;\n   s = s + func 9; above L;\nE: put s;\n';
for (const [input, sum] of [['1\n0\n41\n', '42'], [null, '0']]) {
  session(`standard input ${input ? 'from the stdin file' : 'is empty without one'}`,
          async (dc) => {
    const stdin = input === null ? {} : { stdin: script('input.txt', input) };
    await dc.begin(script('sum.vt', SUM), stdin);
    await dc.ended();
    assert.equal(dc.text('stdout'), sum);
  });
}

session('pause stops an endless loop', async (dc) => {
  await dc.begin(script('forever.vt', FOREVER));
  await dc.pauseRequest(THREAD);
  const frames = await dc.stopped('pause');
  assert.ok([1, 2].includes(frames[0].line), `paused at line ${frames[0].line}`);
});

session('terminate ends a running script', async (dc) => {
  const { caps } = await dc.begin(script('forever.vt', FOREVER));
  assert.equal(caps.supportsTerminateRequest, true);
  await dc.terminateRequest();
  await dc.ended();
});

// A loop that runs as recorded statements from its third pass: breakpoints and hooks must
// see it as the parser does.
const COUNT = 'i = 0;\nL: i = i + 1;\nx = i * 2;\nif i >= 6 E;\nabove L;\nE: put x;\n';

session('a condition, a hit count and a logpoint stop and log on the right passes',
        async (dc) => {
  const program = script('count.vt', COUNT);
  await dc.begin(program, {}, [], () => dc.setBreakpointsRequest({ source: { path: program },
    breakpoints: [{ line: 3, condition: 'i % 2 == 0' }, { line: 4, hitCondition: '5' },
                  { line: 5, logMessage: 'i is {i}, twice {x}' }] }));
  const value = async (e) => (await dc.evaluateRequest({ expression: e, context: 'watch' }))
    .body.result;
  await dc.stopped('breakpoint', 3);
  assert.equal(await value('i'), '2');
  await dc.continueRequest(THREAD);
  await dc.stopped('breakpoint', 3);
  assert.equal(await value('i * 100 + x'), '406');   // x is still the last pass's
  await dc.continueRequest(THREAD);
  await dc.stopped('breakpoint', 4);   // its fifth hit
  assert.equal(await value('i'), '5');
  await dc.setBreakpointsRequest({ source: { path: program }, breakpoints: [] });
  await dc.continueRequest(THREAD);
  await dc.ended();
  // the logpoint went with the others at the fifth pass, before its line
  assert.equal(dc.text('console'), [1, 2, 3, 4].map((i) => `i is ${i}, twice ${2 * i}\n`)
    .join(''));
  assert.equal(dc.text('stdout'), '12');
});

session('the line of a logpoint comes before what the script writes after it, on either stream',
        async (dc) => {
  const program = script('logorder.vt', 'i = 1;\nk = 10 / (i - 1);\n');
  await dc.begin(program, {}, [], async () => {
    await dc.setExceptionBreakpointsRequest({ filters: [] });
    await dc.setBreakpointsRequest({ source: { path: program },
                                     breakpoints: [{ line: 2, logMessage: 'dividing by {i - 1}' }] });
  });
  assert.equal(await dc.ended(), 1);
  const order = dc.events.filter((e) => e.event === 'output').map((e) => e.body.category);
  assert.deepEqual([order.indexOf('console'), order.indexOf('stderr') > order.indexOf('console')],
                   [order.lastIndexOf('console'), true], order.join(' '));
  assert.equal(dc.text('console'), 'dividing by 0\n');
  assert.equal(dc.text('stderr'), '\nline:2 Division by zero.\n');
});

session('evaluate refuses what changes the run; setVariable changes it', async (dc) => {
  await dc.begin(script('set.vt', COUNT), {}, [4]);
  await dc.stopped('breakpoint', 4);
  for (const e of ['i = 5', 'func 9', '"a"', 'new 2', 'put i']) {
    await assert.rejects(dc.evaluateRequest({ expression: e, context: 'hover' }),
                         /change the run/, e);
  }
  const set = await dc.setVariableRequest({ variablesReference: 1, name: 'i', value: '9 - 4' });
  assert.equal(set.body.value, '5');
  await dc.setBreakpointsRequest({ source: { path: script('set.vt', COUNT) }, breakpoints: [] });
  await dc.continueRequest(THREAD);
  await dc.ended();
  assert.equal(dc.text('stdout'), '12');   // the loop went on from 5, not 1
});

session('runtime errors and searches that find no label stop before the end', async (dc) => {
  const program = script('faults.vt', 'i = 2;\nif i > 1 Q;\nput 1;\n');
  await dc.begin(program);
  const stop = (await dc.next('stopped')).body;
  assert.deepEqual([stop.reason, stop.description], ['exception', 'label Q not found']);
  assert.equal((await dc.stackTraceRequest(THREAD)).body.stackFrames[0].line, 2);
  await dc.continueRequest(THREAD);
  await dc.ended();

  const divide = script('divide.vt', 'a = 4;\nb = a - 4;\nput a / b;\n');
  const golden = cp.spawnSync(QUILL, ['-f', divide], { encoding: 'utf8' });
  const again = new Session();
  await again.start();
  try {
    await again.begin(divide);
    const fault = (await again.next('stopped')).body;
    assert.equal(fault.reason, 'exception');
    assert.match(golden.stderr, new RegExp(fault.text.replace(/[.()]/g, '\\$&')));
    assert.equal(again.text('stderr'), '');   // stopped before the message
    await again.continueRequest(THREAD);
    assert.equal(await again.ended(), golden.status);
    assert.equal(again.text('stderr'), golden.stderr);
  } finally {
    await again.close(false);
  }
});

session('function and data breakpoints', async (dc) => {
  const program = script('svc.vt', 'a = "41";\nn = func 9;\nm = n + 1;\nput m;\n');
  await dc.begin(program, {}, [], async () => {
    const fn = await dc.setFunctionBreakpointsRequest({ breakpoints: [{ name: 'text to number' }] });
    assert.equal(fn.body.breakpoints[0].verified, true);
    const info = await dc.dataBreakpointInfoRequest({ variablesReference: 1, name: 'm' });
    await dc.setDataBreakpointsRequest({ breakpoints: [{ dataId: info.body.dataId }] });
  });
  const svc = (await dc.next('stopped')).body;
  assert.equal(svc.reason, 'function breakpoint');
  await dc.continueRequest(THREAD);
  const data = (await dc.next('stopped')).body;
  assert.deepEqual([data.reason, data.description], ['data breakpoint',
                                                     'm changed from 0 to 42 (line 3)']);
  await dc.continueRequest(THREAD);
  await dc.ended();
});

session('goto moves the run ahead and back; stepOut runs to the next landing', async (dc) => {
  const program = script('goto.vt', 'put 1;\nput 2;\nput 3;\nL: put 4;\nif 0 L;\n');
  await dc.begin(program, { stopOnEntry: true });
  await dc.stopped('entry', 1);
  const go = async (line) => {
    const target = (await dc.gotoTargetsRequest({ source: { path: program }, line }))
      .body.targets[0];
    await dc.gotoRequest({ threadId: 1, targetId: target.id });
    await dc.stopped('goto', line);
  };
  await go(3);   // not read yet
  await dc.nextRequest(THREAD);
  await dc.stopped('step', 4);
  await go(2);
  await dc.continueRequest(THREAD);
  await dc.ended();
  assert.equal(dc.text('stdout'), '3234');

  const out = script('out2.vt', 'i = 0;\nL: i = i + 1;\nif i < 3 L2;\nL2: if i < 3 M;\nM: put i;\n');
  const again = new Session();
  await again.start();
  try {
    await again.begin(out, { stopOnEntry: true });
    await again.stopped('entry', 1);
    await again.stepOutRequest(THREAD);
    await again.stopped('step', 4);   // the first jump taken lands on L2
  } finally {
    await again.close(false);
  }
});

session('a long loop runs with its fast paths and prints what quill prints', async (dc) => {
  const program = script('long.vt',
    'i = 0;\nL: i = i + 1;\nif i % 997 == 0 P;\nbelow Q;\nP: put i; puts " ";\nQ: if i < 20000 R;\n' +
    'below Z;\nR: above L;\nnever = 0;\nZ: put 0 - 1;\n');
  const golden = cp.spawnSync(QUILL, ['-f', program], { encoding: 'utf8' });
  await dc.begin(program, {}, [9]);   // a breakpoint the run never reaches
  assert.equal(await dc.ended(), golden.status);
  assert.deepEqual([dc.text('stdout'), dc.text('stderr')], [golden.stdout, golden.stderr]);
});

session('step back to see how an error came about; forward again prints nothing twice',
        async (dc) => {
  const program = script('back.vt', 'i = 0;\nL: i = i + 1;\nput i;\nx = i * 10;\nif i < 4 K;\n' +
    'below E;\nK: above L;\nE: k = 10 / (i - 4);\n');
  await dc.begin(program);
  assert.equal((await dc.next('stopped')).body.reason, 'exception');
  const value = async (e) => (await dc.evaluateRequest({ expression: e, context: 'watch' }))
    .body.result;
  const line = async () => (await dc.stackTraceRequest(THREAD)).body.stackFrames[0].line;
  for (const [at, x] of [[8, '40'], [6, '40'], [5, '40'], [4, '30']]) {
    await dc.stepBackRequest(THREAD);
    await dc.stopped('step', at);
    assert.equal(await value('x'), x, `x back at line ${at}`);
  }
  // the trail as it was then: below E, taken later, is not in it yet
  const trail = (await dc.stackTraceRequest(THREAD)).body.stackFrames.slice(1, 3);
  assert.deepEqual(trail.map((f) => f.name), ['above L (pass 3)', 'if i < 4 K (pass 3)']);
  await dc.setBreakpointsRequest({ source: { path: program }, breakpoints: [{ line: 3 }] });
  for (const i of ['4', '3']) {   // this pass's line 3, then the pass before's
    await dc.reverseContinueRequest(THREAD);
    await dc.stopped('breakpoint', 3);
    assert.equal(await value('i'), i);
  }
  await dc.setBreakpointsRequest({ source: { path: program }, breakpoints: [] });
  await dc.continueRequest(THREAD);      // through the history, then on to the error
  assert.equal(await dc.ended(), 1);
  assert.equal(dc.text('stdout'), '1234');
  assert.equal(dc.text('stderr'), '\nline:8 Division by zero.\n');
});

session('a value changed in the past forgets the future: the trail counts on from then',
        async (dc) => {
  const program = script('past.vt', 'i = 0;\nL: i = i + 1;\nif i < 6 K;\nbelow E;\nK: above L;\nE: put i;\n');
  const trail = async () => (await dc.stackTraceRequest(THREAD)).body.stackFrames.slice(1, 3)
    .map((f) => f.name);
  await dc.begin(program, {}, [6]);
  await dc.stopped('breakpoint', 6);
  assert.deepEqual(await trail(), ['below E (pass 1)', 'above L (pass 5)']);
  await dc.setBreakpointsRequest({ source: { path: program }, breakpoints: [{ line: 3 }] });
  for (let k = 0; k < 2; k++) {
    await dc.reverseContinueRequest(THREAD);
    await dc.stopped('breakpoint', 3);
  }
  assert.deepEqual(await trail(), ['above L (pass 4)', 'if i < 6 K (pass 4)']);
  await dc.setVariableRequest({ variablesReference: 1, name: 'i', value: '5' });
  await dc.setBreakpointsRequest({ source: { path: program }, breakpoints: [{ line: 6 }] });
  await dc.continueRequest(THREAD);
  await dc.stopped('breakpoint', 6);
  assert.deepEqual(await trail(), ['below E (pass 1)', 'above L (pass 5)']);
  await dc.continueRequest(THREAD);
  assert.equal(await dc.ended(), 6);
  assert.equal(dc.text('stdout'), '6');
});

session('each step back from a run that did not stop shows what steps forward showed',
        async (dc) => {
  // an item's record compares only what its ops may write (all after a stop):
  // elements, texts and services are in it, and a missed change would show
  const program = script('undo.vt', 'i = 0; a = new 4; s = "ab";\nL: i = i + 1;\na[i % 4] = i * 3;\n' +
    'x = a[i % 4] + i;\ns = "cd"; t = s;\ne = "HOME"; h = func 3;\nif i < 5 K;\nbelow E;\n' +
    'K: above L;\nE: put x;\n');
  const state = async (s) => {
    const line = (await s.stackTraceRequest(THREAD)).body.stackFrames[0].line;
    const vars = (await s.variablesRequest({ variablesReference: 1 })).body.variables;
    return `${line} ${vars.map((v) => `${v.name}=${v.value}`).join(' ')}`;
  };
  await dc.begin(program, { stopOnEntry: true });
  await dc.stopped('entry', 1);
  const seen = [await state(dc)];
  while (!seen[seen.length - 1].startsWith('10 ')) {
    await dc.nextRequest(THREAD);
    await dc.stopped('step');
    seen.push(await state(dc));
  }
  assert.ok(seen.length > 40, `${seen.length} steps`);

  const back = new Session();
  await back.start();
  let failed = true;
  try {
    await back.begin(program, {}, [10]);
    await back.stopped('breakpoint', 10);
    for (let k = seen.length - 2; k >= 0; k--) {
      await back.stepBackRequest(THREAD);
      await back.stopped('step');
      assert.equal(await state(back), seen[k], `${seen.length - 1 - k} steps back`);
    }
    await back.continueRequest(THREAD);
    assert.equal(await back.ended(), 20);
    assert.equal(back.text('stdout'), '20');
    failed = false;
  } finally {
    await back.close(failed);
  }
});

session('a request whose arguments have the wrong types is refused, and the session goes on',
        async (dc) => {
  const program = script('types.vt', 'put 1;\nput 2;\n');
  await dc.begin(program, { stopOnEntry: true });
  await assert.rejects(dc.setBreakpointsRequest({ source: { path: program },
                                                  breakpoints: [{ line: 'two' }] }),
                       /cannot be read/);
  await dc.stopped('entry', 1);
  const far = await dc.send('readMemory', { memoryReference: '268444032', offset: 9e18, count: 4 });
  assert.equal(far.body.unreadableBytes, 4);   // no sum of the two may overflow
  await dc.continueRequest(THREAD);
  await dc.ended();
  assert.equal(dc.text('stdout'), '12');
});

session('an array shows its elements in pages, and an element can be set', async (dc) => {
  // stopped at a recorded statement's fourth pass: what is set there is undone by a step back
  const program = script('array.vt', 'a = new 3;\nL: a[1] = 7;\nput a[2];\ni = i + 1;\n' +
    'if i >= 5 E;\nabove L;\nE: z = 0;\n');
  await dc.begin(program, {}, [], () => dc.setBreakpointsRequest({ source: { path: program },
    breakpoints: [{ line: 3, hitCondition: '==4' }] }));
  await dc.stopped('breakpoint', 3);
  const a = (await dc.variablesRequest({ variablesReference: 1 })).body.variables[0];
  assert.ok(a.indexedVariables > 3 && a.variablesReference > 0, JSON.stringify(a));
  const page = { variablesReference: a.variablesReference, filter: 'indexed', start: 0, count: 3 };
  const shown = (await dc.variablesRequest(page)).body.variables;
  assert.deepEqual(shown.map((v) => `${v.name}=${v.value}`), ['[0]=0', '[1]=7', '[2]=0']);
  await dc.setVariableRequest({ variablesReference: a.variablesReference, name: '[2]', value: '5' });
  await dc.setVariableRequest({ variablesReference: 1, name: 'q', value: '9' });
  await dc.stepBackRequest(THREAD);
  await dc.stopped('step', 3);
  const value = async (e) => (await dc.evaluateRequest({ expression: e, context: 'watch' })).body.result;
  assert.deepEqual([await value('a[2]'), await value('q'), await value('i')], ['0', '0', '3']);
  await dc.continueRequest(THREAD);   // done again on the way forward
  await dc.ended();
  assert.equal(dc.text('stdout'), '00055');
});

session('a script that asks questions runs in the editor\'s terminal', async (dc) => {
  dc.typed = '41\n';
  await dc.begin(script('ask.vt', 'a = func 2;\nput a + 1;\n'), { console: 'integratedTerminal' },
                 [2]);
  await dc.stopped('breakpoint', 2);
  assert.equal((await dc.evaluateRequest({ expression: 'a', context: 'watch' })).body.result, '41');
  await dc.continueRequest(THREAD);
  assert.equal(await dc.ended(), 42);
  await within(dc.terminalClosed, 'the terminal\'s end');   // its output is read by then
  assert.equal(dc.terminalText, '42');
  assert.equal(dc.text('stdout'), '');   // the terminal's, not the debug console's
});

session('the debug console runs statements for real, and refuses what would end the run',
        async (dc) => {
  await dc.begin(script('repl.vt', 'x = 1;\nput x;\n'), {}, [2]);
  await dc.stopped('breakpoint', 2);
  const run = (e) => dc.evaluateRequest({ expression: e, context: 'repl' });
  assert.equal((await run('x = 20; put x + 1;')).body.result, '21');
  await assert.rejects(run('below Z'), /jump/);
  await assert.rejects(run('a = new 2; a[99999999] = 1'), /Bad address/);
  await assert.rejects(run('put 1 / (x - 20)'), /Division by zero/);
  await dc.continueRequest(THREAD);
  assert.equal(await dc.ended(), 20);
  assert.equal(dc.text('stdout'), '2120');
});
