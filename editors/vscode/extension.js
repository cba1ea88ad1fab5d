// The Vantor extension: quill-check --lsp as the language server, quill-debug
// as the debug adapter, both found on PATH unless the settings name them.
'use strict';
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function setting(name) {
  return vscode.workspace.getConfiguration('vantor').get(name);
}

function activate(context) {
  client = new LanguageClient('quill-check', 'quill-check',
    { command: setting('checkPath'), args: ['--lsp'] },
    { documentSelector: [{ language: 'vantor' }] });
  client.start();
  context.subscriptions.push(vscode.debug.registerDebugAdapterDescriptorFactory('vantor', {
    createDebugAdapterDescriptor: () => new vscode.DebugAdapterExecutable(setting('debugPath'), []),
  }));
  // F5 without a launch.json: debug the script being edited
  context.subscriptions.push(vscode.debug.registerDebugConfigurationProvider('vantor', {
    resolveDebugConfiguration(folder, config) {
      if (!config.type && !config.request && !config.name)
        Object.assign(config, { type: 'vantor', request: 'launch', name: 'Debug this script',
                                program: '${file}' });
      return config;
    },
  }));
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
