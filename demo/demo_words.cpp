#include "demo/demo_words.h"

namespace scandrel::demo {

const std::vector<std::u16string>& maleNames() {
    static const std::vector<std::u16string> v = {
        u"João", u"José", u"Antônio", u"Francisco", u"Carlos", u"Paulo", u"Pedro", u"Lucas", u"Luiz",
        u"Marcos", u"Luís", u"Gabriel", u"Rafael", u"Daniel", u"Marcelo", u"Bruno", u"Eduardo", u"Felipe",
        u"Raimundo", u"Rodrigo", u"Sérgio", u"Fábio", u"Márcio", u"Otávio", u"Vinícius", u"Caio", u"Thiago",
        u"André", u"Sebastião", u"Joaquim", u"Cláudio", u"Júlio", u"Heitor", u"Benedito", u"Ângelo"};
    return v;
}

const std::vector<std::u16string>& femaleNames() {
    static const std::vector<std::u16string> v = {
        u"Maria", u"Ana", u"Francisca", u"Antônia", u"Adriana", u"Juliana", u"Márcia", u"Fernanda",
        u"Patrícia", u"Aline", u"Sandra", u"Camila", u"Amanda", u"Bruna", u"Jéssica", u"Letícia", u"Júlia",
        u"Luciana", u"Vanessa", u"Mariana", u"Conceição", u"Lúcia", u"Cecília", u"Beatriz", u"Débora",
        u"Mônica", u"Vitória", u"Helena", u"Inês", u"Luíza", u"Taís", u"Glória", u"Irene", u"Rosângela"};
    return v;
}

const std::vector<std::u16string>& surnames() {
    static const std::vector<std::u16string> v = {
        u"Silva", u"Santos", u"Oliveira", u"Souza", u"Rodrigues", u"Ferreira", u"Alves", u"Pereira",
        u"Lima", u"Gomes", u"Costa", u"Ribeiro", u"Martins", u"Carvalho", u"Almeida", u"Lopes", u"Soares",
        u"Fernandes", u"Vieira", u"Barbosa", u"Rocha", u"Dias", u"Nascimento", u"Andrade", u"Moreira",
        u"Nunes", u"Marques", u"Machado", u"Mendes", u"Freitas", u"Cardoso", u"Ramos", u"Gonçalves",
        u"Santana", u"Teixeira", u"Araújo", u"Conceição", u"Magalhães", u"Brandão", u"Assunção",
        u"Falcão", u"Simões", u"Guimarães", u"Leão", u"Romão", u"Gusmão", u"Estêvão", u"Patrício"};
    return v;
}

const std::vector<Place>& places() {
    static const std::vector<Place> v = {
        {u"São Paulo", u"SP"},      {u"Rio de Janeiro", u"RJ"}, {u"Belo Horizonte", u"MG"},
        {u"Brasília", u"DF"},       {u"Salvador", u"BA"},       {u"Fortaleza", u"CE"},
        {u"Curitiba", u"PR"},       {u"Recife", u"PE"},         {u"Porto Alegre", u"RS"},
        {u"Belém", u"PA"},          {u"Goiânia", u"GO"},        {u"São Luís", u"MA"},
        {u"Maceió", u"AL"},         {u"Teresina", u"PI"},       {u"João Pessoa", u"PB"},
        {u"Florianópolis", u"SC"},  {u"Vitória", u"ES"},        {u"Cuiabá", u"MT"},
        {u"Uberlândia", u"MG"},     {u"Niterói", u"RJ"},        {u"Ribeirão Preto", u"SP"},
        {u"Juiz de Fora", u"MG"},   {u"Macapá", u"AP"},         {u"Itajaí", u"SC"}};
    return v;
}

const std::vector<std::u16string>& neighbourhoods() {
    static const std::vector<std::u16string> v = {
        u"Centro", u"Savassi", u"Copacabana", u"Jardim América", u"Vila Mariana", u"Boa Viagem",
        u"Lourdes", u"Funcionários", u"Tijuca", u"Pituba", u"Aldeota", u"Batel", u"Moinhos de Vento",
        u"Santa Efigênia", u"São Cristóvão", u"Jardim Botânico", u"Liberdade", u"Consolação"};
    return v;
}

const std::vector<std::u16string>& streets() {
    static const std::vector<std::u16string> v = {
        u"Rua das Flores", u"Avenida Brasil", u"Rua São João", u"Avenida Paulista", u"Rua da Bahia",
        u"Rua Sete de Setembro", u"Avenida Afonso Pena", u"Rua XV de Novembro", u"Travessa São José",
        u"Rua Dom Pedro II", u"Avenida Getúlio Vargas", u"Rua Tiradentes", u"Alameda Santos",
        u"Rua Conceição", u"Praça da Liberdade", u"Rua Marquês de Pombal"};
    return v;
}

const std::vector<std::u16string>& professions() {
    static const std::vector<std::u16string> v = {
        u"Professora", u"Engenheiro", u"Médica", u"Advogado", u"Comerciante", u"Aposentado",
        u"Estudante", u"Motorista", u"Enfermeira", u"Técnico em eletrônica", u"Do lar", u"Analista de sistemas",
        u"Músico", u"Farmacêutica", u"Pedreiro", u"Contadora", u"Açougueiro", u"Jornalista"};
    return v;
}

const std::vector<std::u16string>& skinColours() {
    static const std::vector<std::u16string> v = {u"Branca", u"Parda", u"Preta", u"Amarela", u"Indígena"};
    return v;
}

const std::vector<std::u16string>& schooling() {
    static const std::vector<std::u16string> v = {
        u"Fundamental incompleto", u"Fundamental", u"Médio", u"Superior incompleto", u"Superior",
        u"Pós-graduação", u"Não alfabetizado"};
    return v;
}

const std::vector<std::u16string>& insurancePlans() {
    static const std::vector<std::u16string> v = {
        u"Unimed", u"Bradesco Saúde", u"SulAmérica", u"Amil", u"Cassi", u"Geap", u"Golden Cross",
        u"Hapvida", u"NotreDame Intermédica", u"Porto Seguro Saúde", u"Particular", u"Caixa Saúde",
        u"Petrobras Distribuidora", u"Assefaz", u"Fundação Libertas", u"Saúde Caixa", u"Cemig Saúde",
        u"Copasa Saúde", u"Postal Saúde", u"Plan-Assiste"};
    return v;
}

const std::vector<Procedure>& procedures() {
    static const std::vector<Procedure> v = {
        {u"Consulta em consultório", u"10101012", u""},
        {u"Hemograma completo", u"40304361", u"Sangue"},
        {u"Glicemia de jejum", u"40302040", u"Sangue"},
        {u"Eletrocardiograma", u"40101010", u""},
        {u"Ultrassonografia de abdome total", u"40901122", u""},
        {u"Radiografia de tórax PA e perfil", u"40805026", u"Filme radiológico"},
        {u"Urina tipo I", u"40311210", u"Urina"},
        {u"Colesterol total e frações", u"40301605", u"Sangue"},
        {u"Teste ergométrico", u"40101045", u""},
        {u"Ressonância magnética do joelho", u"41101014", u"Contraste"},
        {u"Endoscopia digestiva alta", u"40202038", u"Sedação"},
        {u"Audiometria tonal", u"40103013", u""},
        {u"Infiltração articular", u"20103301", u"Corticóide"},
        {u"Curativo simples", u"20104014", u"Gaze e soro fisiológico"},
        {u"Mapeamento de retina", u"41301170", u""}};
    return v;
}

const std::vector<std::u16string>& diagnoses() {
    static const std::vector<std::u16string> v = {
        u"Hipertensão arterial", u"Diabetes mellitus tipo 2", u"Lombalgia", u"Asma", u"Rinite alérgica",
        u"Gastrite", u"Enxaqueca", u"Ansiedade generalizada", u"Hipotireoidismo", u"Dislipidemia",
        u"Osteoartrose de joelho", u"Infecção urinária", u"Sinusite aguda", u"Dermatite de contato",
        u"Insuficiência venosa", u"Obesidade grau I", u"Depressão leve", u"Tendinite do ombro"};
    return v;
}

const std::vector<std::u16string>& keywords() {
    static const std::vector<std::u16string> v = {
        u"pressão alta", u"açúcar", u"dor nas costas", u"falta de ar", u"alergia", u"azia",
        u"dor de cabeça", u"nervosismo", u"tireóide", u"colesterol", u"joelho", u"ardência ao urinar",
        u"nariz entupido", u"coceira", u"varizes", u"peso", u"tristeza", u"ombro"};
    return v;
}

const std::vector<std::u16string>& documentTitles() {
    static const std::vector<std::u16string> v = {
        u"Atestado médico", u"Receita", u"Solicitação de exames", u"Relatório médico",
        u"Encaminhamento", u"Declaração de comparecimento", u"Laudo", u"Orientações pós-consulta"};
    return v;
}

const std::vector<std::u16string>& alerts() {
    static const std::vector<std::u16string> v = {
        u"Alergia a dipirona", u"Alergia a penicilina", u"Marca-passo", u"Gestante",
        u"Paciente com dificuldade de locomoção", u"Cobrar guia pendente", u"Não atender sem autorização"};
    return v;
}

}  // namespace scandrel::demo
